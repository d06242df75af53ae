"""roundcut.exe used as a person would: one run of the tool, scenario after
scenario in the order of the test names, each checking the files it saved
with an independent decoder against expectations computed from the source
picture."""
import os
import shutil
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-work")
PHOTO_SIZE = (1000, 700)

# Typed into the tool by the scenarios.
STEP_X, X_PRESSES = 7, 3
STEP_Y, Y_PRESSES = 5, 2
STEP_XY, XY_PRESSES = 40, 1
RADIUS = 250
OUTER_ALPHA, INNER_ALPHA = 100, 200
# The crop square those presses make from the initial (0, 0, 600).
XS, YS, SIDE = STEP_X * X_PRESSES, STEP_Y * Y_PRESSES, 600 + STEP_XY * XY_PRESSES

# Basic colour picked in the colour dialog: row 2, column 1.
SWATCH = (2, 1)


def work(name):
    return os.path.join(WORK, name)


def listing():
    return sorted(os.listdir(WORK))


class Roundcut(unittest.TestCase):
    tool = None
    photo = None
    colour = None   # (r, g, b) chosen in the colour dialog
    reference = None  # the first saved PNG, decoded

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        cls.photo = expect.make_photo(*PHOTO_SIZE)
        cls.photo.save(work("source.png"))
        with open(work("notes.png"), "w") as f:
            f.write("not a picture, whatever the name says\n")
        cls.fixed_files = listing()
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()

    def setUp(self):
        if not self.tool.running():
            self.skipTest("roundcut.exe is not running")

    # -- helpers ------------------------------------------------------------
    def new_files(self):
        return [f for f in listing() if f not in self.fixed_files]

    def save(self, button, name):
        self.tool.click(button)
        self.tool.answer_file_dialog(work(name))

    def saved_png(self, name):
        path = work(name)
        self.assertTrue(d.wait_file(path), f"{name} was not written")
        image = Image.open(path)
        image.load()
        self.assertEqual(image.format, "PNG")
        self.assertEqual(image.mode, "RGBA")
        self.assertEqual(image.size, (600, 600))
        return image

    def check_cutout(self, image, outer_alpha, inner_alpha, colour):
        """Alphas and the background colour, pixel set by pixel set."""
        inside = expect.disc(RADIUS)
        px = image.load()
        wrong_inside = sum(1 for p in inside if px[p][3] != inner_alpha)
        outside_pixels = [(x, y) for y in range(600) for x in range(600) if (x, y) not in inside]
        wrong_outside = sum(1 for p in outside_pixels if px[p] != (*colour, outer_alpha))
        self.assertEqual(len(inside) + len(outside_pixels), 360000)
        self.assertEqual(wrong_inside, 0, f"inside pixels without alpha {inner_alpha}")
        self.assertEqual(wrong_outside, 0, f"outside pixels other than {colour} with alpha {outer_alpha}")

    # -- scenarios ------------------------------------------------------------
    def test_01_window_at_start(self):
        shot = self.tool.screenshot("start.png")
        self.assertEqual(shot.size, (1330, 680))
        # The window's own colour between the gadgets, and empty image gadgets.
        for point in ((520, 640), (300, 300), (1000, 300), (615, 300)):
            self.assertEqual(shot.getpixel(point)[:3], (192, 192, 192), point)

    def test_02_cancelled_dialogs_change_nothing(self):
        self.tool.click(d.LOAD)
        self.tool.cancel_file_dialog()
        self.tool.click(d.SAVE_PNG)
        self.tool.cancel_file_dialog()
        self.tool.click(d.SAVE_JPG)
        self.tool.cancel_file_dialog()
        self.tool.cancel_colour()
        self.assertEqual(self.new_files(), [])
        # Still the start-up state: black disc, black background, both opaque.
        self.save(d.SAVE_PNG, "fresh")
        image = self.saved_png("fresh.png")
        colours = image.getcolors(1)
        self.assertEqual(colours, [(360000, (0, 0, 0, 255))])

    def test_03_cutout_saved_as_png(self):
        t = self.tool
        t.click(d.LOAD)
        t.answer_file_dialog(work("source.png"))
        t.type_into_spin(d.STEP_X_EDIT, STEP_X)
        for _ in range(X_PRESSES):
            t.click(d.X_PLUS)
        t.type_into_spin(d.STEP_Y_EDIT, STEP_Y)
        for _ in range(Y_PRESSES):
            t.click(d.Y_PLUS)
        t.type_into_spin(d.STEP_XY_EDIT, STEP_XY)
        for _ in range(XY_PRESSES):
            t.click(d.XY_PLUS)
        t.type_into_spin(d.RADIUS_EDIT, RADIUS)
        # Both trackbars dragged to the bottom (alpha 0), then stepped up by
        # the arrow keys, which the clicked trackbar now takes.
        self.tool.drag_thumb_to_bottom(d.OUTER_TRACKBAR_X)
        t.key("Up", repeat=OUTER_ALPHA)
        self.tool.drag_thumb_to_bottom(d.INNER_TRACKBAR_X)
        t.key("Home")
        t.key("Down", repeat=255 - INNER_ALPHA)
        type(self).colour = t.choose_colour(*SWATCH)
        t.click(d.START)
        t.screenshot("render.png")
        self.save(d.SAVE_PNG, "photo")

        image = self.saved_png("photo.png")
        type(self).reference = image
        self.check_cutout(image, OUTER_ALPHA, INNER_ALPHA, self.colour)
        # The photograph inside: this square and no neighbour of it.
        inside = expect.disc(RADIUS)
        right = expect.compare_inside(image, expect.crop(self.photo, XS, YS, SIDE), inside)
        print(f"\n    crop ({XS}, {YS}, {SIDE}) against area averaging: {right}")
        self.assertLess(right.mean, 1.0, f"crop ({XS}, {YS}, {SIDE}): {right}")
        self.assertLessEqual(right.largest, 6, f"crop ({XS}, {YS}, {SIDE}): {right}")
        for xs, ys, side in ((XS - STEP_X, YS, SIDE), (XS, YS - STEP_Y, SIDE), (XS, YS, SIDE - STEP_XY)):
            other = expect.compare_inside(image, expect.crop(self.photo, xs, ys, side), inside)
            print(f"    crop ({xs}, {ys}, {side}) instead: {other}")
            self.assertGreater(other.mean, 5 * right.mean + 2, f"crop ({xs}, {ys}, {side}) fits too")
        # What the window shows on the right is that picture over grey.
        shot = t.screenshot()
        shown = shot.getpixel((720 + 299, 10 + 299))[:3]
        src = image.getpixel((299, 299))
        blended = tuple(round((c * src[3] + 192 * (255 - src[3])) / 255) for c in src[:3])
        for a, b in zip(shown, blended):
            self.assertLessEqual(abs(a - b), 3, (shown, blended))

    def test_04_naming_rules(self):
        self.assertIsNotNone(self.reference, "needs the cut-out of the previous scenario")
        self.save(d.SAVE_PNG, "upper.PNG")
        self.save(d.SAVE_PNG, "both.jpg")
        self.save(d.SAVE_JPG, "photo.jpeg")
        self.assertTrue(d.wait_file(work("photo.jpeg.jpg")))
        for name in ("upper.PNG", "both.jpg.png"):
            self.assertEqual(list(self.saved_png(name).getdata()), list(self.reference.getdata()), name)
        jpeg = Image.open(work("photo.jpeg.jpg"))
        self.assertEqual((jpeg.format, jpeg.mode, jpeg.size), ("JPEG", "RGB", (600, 600)))
        self.assertEqual(sorted(self.new_files()),
                         sorted(["fresh.png", "photo.png", "upper.PNG", "both.jpg.png", "photo.jpeg.jpg"]))

    def test_05_cancelled_colour_keeps_the_colour(self):
        self.assertIsNotNone(self.reference, "needs the cut-out of an earlier scenario")
        self.tool.cancel_colour()
        self.save(d.SAVE_PNG, "again")
        self.assertEqual(list(self.saved_png("again.png").getdata()), list(self.reference.getdata()))

    def test_06_outer_alpha_0_in_png_and_jpg(self):
        self.assertIsNotNone(self.colour, "needs the colour of an earlier scenario")
        self.tool.drag_thumb_to_bottom(d.OUTER_TRACKBAR_X)
        self.save(d.SAVE_PNG, "clear")
        image = self.saved_png("clear.png")
        self.check_cutout(image, 0, INNER_ALPHA, self.colour)
        self.save(d.SAVE_JPG, "white")
        path = work("white.jpg")
        self.assertTrue(d.wait_file(path))
        jpeg = Image.open(path).convert("RGB")
        inside = expect.disc(RADIUS)
        outside = [(x, y) for y in range(0, 600, 3) for x in range(0, 600, 3) if (x, y) not in inside]
        white = expect.Stats()
        for p in outside:
            white.add(jpeg.getpixel(p), (255, 255, 255))
        print(f"\n    JPEG outside the disc against white: {white}")
        self.assertLess(white.mean, 1.0, f"outside the disc: {white}")
        # Inside: the photograph with the inner alpha over white.
        crop = expect.crop(self.photo, XS, YS, SIDE)
        composite = crop.point(lambda v: round(expect.over_white(v, INNER_ALPHA)))
        photo = expect.compare_inside(jpeg, composite, inside)
        print(f"    JPEG inside the disc against the composite: {photo}")
        self.assertLess(photo.mean, 3.0, f"inside the disc: {photo}")

    def test_07_missing_folder_leaves_no_file(self):
        before = listing()
        self.tool.click(d.SAVE_PNG)
        dialog = self.tool.wait_dialog(d.DIALOG_TITLE)
        self.tool.point_at_dialog(dialog)
        self.tool.type("missing\\cut", d.DIALOG_TITLE)
        self.tool.key("Return")
        # The dialog refuses the folder with a message box; click it away and
        # cancel.
        def message_box():
            return [place for title, place in d.shown_windows()
                    if title != d.DIALOG_TITLE and 50 < place[2] < 400 and place[3] < 200]
        boxes = d.wait_for(message_box, 5, 0.05)
        d.screenshot("missing-folder.png")
        if boxes:
            x, y, w, h = boxes[0]
            d.xdo("mousemove", x + w // 2, y + h - 20)
            d.xdo("click", "1")
            d.wait_for(lambda: not message_box(), 5, 0.05)
        if d.probe("shown", d.DIALOG_TITLE) != "none":
            self.tool.cancel_file_dialog()
        self.assertEqual(listing(), before)
        self.assertFalse(os.path.exists(work("missing")))
        # The tool keeps working.
        self.save(d.SAVE_PNG, "after")
        self.saved_png("after.png")

    def test_08_file_that_is_not_a_picture_gives_black(self):
        self.tool.click(d.LOAD)
        self.tool.answer_file_dialog(work("notes.png"))
        self.save(d.SAVE_PNG, "black")
        image = self.saved_png("black.png")
        inside = expect.disc(RADIUS)
        px = image.load()
        self.assertEqual(sum(1 for p in inside if px[p] != (0, 0, 0, INNER_ALPHA)), 0)
        self.assertEqual(px[0, 0], (*self.colour, 0))

    def test_09_closing_ends_with_exit_code_0(self):
        self.tool.screenshot("before-close.png")
        windows_before = set(d.visible_windows())
        self.tool.move(1000, 300)
        self.tool.key("alt+F4")
        code = self.tool.wait_exit(20)
        if code is None:
            d.screenshot("close-failed.png")
            new = set(d.visible_windows()) - windows_before
            self.fail(f"still running 20 s after Alt+F4; new windows: {new}")
        self.assertEqual(code, 0)


if __name__ == "__main__":
    unittest.main()
