"""The crop square dragged and zoomed in the running tool: a drag on the left
picture, wheel notches each way and a double click, each followed by the
status bar (read from outside the tool) against the square worked out here
from the pointer's moves, and Save PNG against the photograph's own crop of
that square."""
import os
import shutil
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-drag-work")
PHOTO_SIZE = (1600, 1000)
LEFT = (10, 10)  # the left picture's place in the client area


def half_away(n, den):
    """n / den rounded to nearest, halves away from zero."""
    q = (abs(n) + den // 2) // den
    return q if n >= 0 else -q


def clamp(v, lo, hi):
    return max(lo, min(hi, v))


def dragged(square, dx, dy, width, height):
    """The picture follows the pointer: the square moves the other way."""
    xs, ys, side = square
    if side <= width:
        xs = clamp(xs - half_away(dx * side, 600), 0, width - side)
    if side <= height:
        ys = clamp(ys - half_away(dy * side, 600), 0, height - side)
    return xs, ys, side


def zoomed(square, notch_in, px, py, width, height):
    """One wheel notch: 10 % of the side, the point under the pointer kept."""
    xs, ys, side = square
    shorter = min(width, height)
    change = max(1, (side + 5) // 10)
    new = clamp(side - change if notch_in else side + change, min(16, shorter), shorter)
    grow = side - new
    xs = clamp(xs + half_away((2 * px + 1) * grow, 1200), 0, width - new)
    ys = clamp(ys + half_away((2 * py + 1) * grow, 1200), 0, height - new)
    return xs, ys, new


class DragAndWheel(unittest.TestCase):
    tool = None
    photo = None
    square = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        cls.photo = expect.make_photo(*PHOTO_SIZE)
        cls.photo.save(os.path.join(WORK, "source.png"))
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
    def expect_status(self, square):
        xs, ys, side = square
        want = [f"B: {PHOTO_SIZE[0]}", f"H: {PHOTO_SIZE[1]}", f"XS: {xs}", f"YS: {ys}", f"XE: {side}", f"YE: {side}"]
        # The tool may still be catching up with the pointer.
        got = d.wait_for(lambda: (s := self.tool.status()) == want and s, 5, 0.05)
        self.assertEqual(got or self.tool.status(), want)

    def left(self, x, y):
        return LEFT[0] + x, LEFT[1] + y

    def wheel(self, button, times=1):
        d.xdo("click", "--repeat", times, "--delay", 50, button)

    def saved_crop_matches(self, name, square):
        self.tool.click(d.SAVE_PNG)
        path = os.path.join(WORK, name)
        self.tool.answer_file_dialog(path)
        self.assertTrue(d.wait_file(path), f"{name} was not written")
        image = Image.open(path)
        image.load()
        self.assertEqual((image.format, image.mode, image.size), ("PNG", "RGBA", (600, 600)))
        inside = expect.disc(295)
        right = expect.compare_inside(image, expect.crop(self.photo, *square), inside)
        self.assertLess(right.mean, 1.0, f"crop {square}: {right}")
        self.assertLessEqual(right.largest, 6, f"crop {square}: {right}")
        xs, ys, side = square
        for other in ((xs + 6, ys, side), (xs, ys + 6, side), (xs, ys, side + 12)):
            wrong = expect.compare_inside(image, expect.crop(self.photo, *other), inside)
            self.assertGreater(wrong.mean, 5 * right.mean + 2, f"crop {other} fits too")

    # -- scenarios ------------------------------------------------------------
    def test_01_drag_and_wheel_then_save(self):
        t = self.tool
        t.click(d.LOAD)
        t.answer_file_dialog(os.path.join(WORK, "source.png"))
        square = (0, 0, 600)
        self.expect_status(square)

        # Left and up by (100, 50) screen pixels: the square goes right and down.
        t.drag(self.left(300, 300), self.left(200, 250))
        square = dragged(square, -100, -50, *PHOTO_SIZE)
        self.assertEqual(square, (100, 50, 600))
        self.expect_status(square)
        # Then back and further down: it stops at the top edge.
        t.drag(self.left(200, 200), self.left(260, 400))
        square = dragged(square, 60, 200, *PHOTO_SIZE)
        self.expect_status(square)

        # A notch towards the user zooms out, two away zoom in, around the pointer.
        t.move(*self.left(450, 150))
        self.wheel("5")
        square = zoomed(square, False, 450, 150, *PHOTO_SIZE)
        self.expect_status(square)
        self.wheel("4", 2)
        square = zoomed(zoomed(square, True, 450, 150, *PHOTO_SIZE), True, 450, 150, *PHOTO_SIZE)
        self.expect_status(square)
        t.screenshot("drag-zoomed.png")
        self.saved_crop_matches("dragged.png", square)

    def test_02_double_click_fits_the_largest_square(self):
        self.tool.move(*self.left(300, 300))
        d.xdo("click", "--repeat", "2", "--delay", "80", "1")
        square = (300, 0, 1000)
        self.expect_status(square)
        self.saved_crop_matches("fitted.png", square)


if __name__ == "__main__":
    unittest.main()
