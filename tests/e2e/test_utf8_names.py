"""File names outside ASCII through the running roundcut.exe: a photograph
named in Chinese, Cyrillic, Greek and with an emoji, in a folder named in
Cyrillic and Chinese, is loaded through the file dialog, and the cut-out is
saved under such names with both saves.  The names are typed into the dialog
(xdotool types characters outside the keyboard map by remapping a spare key,
and Wine turns them into the dialog's UTF-16 text), and the saved files are
looked up by their exact names on the Linux side, where Wine stores them in
UTF-8."""
import os
import shutil
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-utf8", "фото-照片")
PHOTO = "照片 Фото Φωτό 🌄.png"
PHOTO_SIZE = (500, 400)  # the initial square is 400 pixels at (0, 0)
SAVED_PNG = "Круг 圆 κύκλος 🌄"       # typed without extension: ".png" is appended
SAVED_JPG = "Круг 圆 κύκλος 🌄.JPG"   # typed with its extension in capitals: kept
RADIUS = 295                           # the tool's initial radius


def work(name):
    return os.path.join(WORK, name)


class Utf8Names(unittest.TestCase):
    tool = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(os.path.dirname(WORK), ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        cls.photo = expect.make_photo(*PHOTO_SIZE)
        cls.photo.save(work(PHOTO))
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()

    def setUp(self):
        if not self.tool.running():
            self.skipTest("roundcut.exe is not running")

    def wait_file(self, name):
        path = work(name)
        self.assertTrue(d.wait_file(path), f"{name!r} was not written; the folder holds {sorted(os.listdir(WORK))!r}")
        return path

    def test_01_load_and_save_png_under_names_in_four_scripts(self):
        t = self.tool
        t.click(d.LOAD)
        t.answer_file_dialog(work(PHOTO))
        t.click(d.START)
        t.screenshot("utf8-render.png")
        t.click(d.SAVE_PNG)
        t.answer_file_dialog(work(SAVED_PNG))
        image = Image.open(self.wait_file(SAVED_PNG + ".png"))
        image.load()
        self.assertEqual((image.format, image.size), ("PNG", (600, 600)))
        # The photograph, not the black picture a failed load leaves.
        inside = expect.disc(RADIUS)
        diff = expect.compare_inside(image, expect.crop(self.photo, 0, 0, 400), inside)
        self.assertLess(diff.mean, 1.0, f"the cut-out is not of the photograph: {diff}")

    def test_02_save_jpg_keeps_a_typed_capital_extension(self):
        self.tool.click(d.SAVE_JPG)
        self.tool.answer_file_dialog(work(SAVED_JPG))
        jpeg = Image.open(self.wait_file(SAVED_JPG))
        self.assertEqual((jpeg.format, jpeg.size), ("JPEG", (600, 600)))
        # Exactly the photograph and the two saves: no temporary file, no
        # name with '?' for a character.
        self.assertEqual(sorted(os.listdir(WORK)), sorted([PHOTO, SAVED_PNG + ".png", SAVED_JPG]))


if __name__ == "__main__":
    unittest.main()
