"""Hostile source pictures loaded through the running roundcut.exe, one run
of the tool for all of them: each gives a decoded picture or the black
600 x 600 fallback, the tool neither crashes nor hangs, and afterwards a
normal picture loads, renders and saves as it should."""
import os
import shutil
import unittest

from PIL import Image, ImageChops

import driver as d
import expect
from hostile_files import DECODED, EITHER, FALLBACK, hostile_files

WORK = os.path.join(d.ROOT, "build", "e2e-hostile")
# The left image gadget, and the status bar fields "B: ..." and "H: ..."
# (60 pixels each from the left edge, at the bottom of the client area).
LEFT = (10, 10, 610, 610)
SIZES = (2, 658, 118, 678)
FILES = hostile_files()


def work(name):
    return os.path.join(WORK, name)


def grid(image, box, step=37):
    x0, y0, x1, y1 = box
    return [image.getpixel((x, y))[:3] for y in range(y0, y1, step) for x in range(x0, x1, step)]


class HostileFilesThroughTheTool(unittest.TestCase):
    tool = None
    sizes_600 = None  # the status fields as a real 600 x 600 picture shows them
    results = {}

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        for h in FILES:
            h.write(WORK)
        cls.photo = expect.make_photo(600, 600)
        cls.photo.save(work("photo600.png"))
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.results:
            print("\n    what the tool made of each file:")
            for name, outcome in cls.results.items():
                print(f"      {name:28} {outcome}")
        if cls.tool:
            cls.tool.kill()

    def setUp(self):
        if not self.tool.running():
            self.skipTest("roundcut.exe is not running")

    def load(self, name):
        """Loads a file through the "SELECT IMAGE" dialog and returns the
        window once it has settled."""
        self.tool.click(d.LOAD)
        self.tool.answer_file_dialog(work(name))
        self.assertTrue(self.tool.running(), f"roundcut.exe ended while loading {name}")
        return self.tool.screenshot()

    def sizes_field(self, shot):
        return shot.crop(SIZES)

    def test_00_a_real_600_picture_for_reference(self):
        shot = self.load("photo600.png")
        shot.save(os.path.join(d.ARTEFACTS, "hostile-reference.png"))
        self.assertNotIn((0, 0, 0), grid(shot, LEFT)[:3])
        type(self).sizes_600 = self.sizes_field(shot)
        # The fields hold dark text on the bar's colour.
        colours = self.sizes_600.convert("L").getextrema()
        self.assertLess(colours[0], 100)
        self.assertGreater(colours[1], 150)

    def check_file(self, index):
        h = FILES[index]
        self.assertIsNotNone(self.sizes_600, "needs the reference of the first scenario")
        shot = self.load(h.name)
        shot.save(os.path.join(d.ARTEFACTS, f"hostile-{h.name}.png"))
        left = grid(shot, LEFT)
        sizes_are_600 = ImageChops.difference(self.sizes_field(shot), self.sizes_600).getbbox() is None
        black = all(p == (0, 0, 0) for p in left)
        if black and sizes_are_600:
            outcome = FALLBACK
        else:
            outcome = DECODED
        self.results[h.name] = ("black 600 x 600 fallback" if outcome == FALLBACK else
                                "decoded" + ("" if sizes_are_600 else " (sizes other than 600 x 600)") +
                                f", left image at its centre {shot.getpixel((310, 310))[:3]}")
        if h.outcome != EITHER:
            self.assertEqual(outcome, h.outcome, h.name)
        if outcome == DECODED and h.colour:
            # A picture of one colour fills the whole left image with it.
            wrong = [p for p in left if max(abs(a - b) for a, b in zip(p, h.colour)) > 3]
            self.assertEqual(wrong, [], f"{h.name}: expected {h.colour} all over the left image")

    def test_02_a_normal_picture_loads_renders_and_saves_afterwards(self):
        shot = self.load("photo600.png")
        self.assertIsNone(ImageChops.difference(self.sizes_field(shot), self.sizes_600).getbbox())
        self.tool.click(d.START)
        self.tool.click(d.SAVE_PNG)
        self.tool.answer_file_dialog(work("after"))
        path = work("after.png")
        self.assertTrue(d.wait_file(path), "after.png was not written")
        image = Image.open(path)
        image.load()
        self.assertEqual((image.format, image.mode, image.size), ("PNG", "RGBA", (600, 600)))
        inside = expect.disc(295)
        stats = expect.compare_inside(image, self.photo, inside)
        self.assertLessEqual(stats.largest, 1, f"inside the disc against the picture: {stats}")
        px = image.load()
        self.assertEqual(sum(1 for p in inside if px[p][3] != 255), 0)
        self.assertEqual(px[0, 0], (0, 0, 0, 255))

    def test_03_closing_still_ends_with_exit_code_0(self):
        self.tool.move(1000, 300)
        self.tool.key("alt+F4")
        code = self.tool.wait_exit(20)
        self.assertEqual(code, 0)


# One scenario per file, in the order of the list, between the reference load
# and the normal load at the end.
for _index, _file in enumerate(FILES):
    _name = "test_01_%02d_%s" % (_index, _file.name.replace(".", "_"))
    setattr(HostileFilesThroughTheTool, _name, lambda self, i=_index: self.check_file(i))


if __name__ == "__main__":
    unittest.main()
