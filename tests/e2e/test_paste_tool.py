"""Pasting into the running roundcut.exe: a PNG that an X program offers on
the clipboard (Wine hands it over as the "PNG" format) becomes the source
picture on Ctrl+V, and a clipboard holding only text changes nothing."""
import os
import shutil
import subprocess
import time
import unittest

from PIL import ImageChops

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-paste")
LEFT = (10, 10, 610, 610)


def work(name):
    return os.path.join(WORK, name)


class PasteIntoTheTool(unittest.TestCase):
    tool = None
    clipboard = None  # the xclip process serving the clipboard

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        cls.photo = expect.make_photo(640, 600)
        cls.photo.save(work("photo.png"))
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        cls.stop_offering()
        if cls.tool:
            cls.tool.kill()

    @classmethod
    def stop_offering(cls):
        if cls.clipboard and cls.clipboard.poll() is None:
            cls.clipboard.kill()
            cls.clipboard.wait()
        cls.clipboard = None

    def offer(self, path, mime):
        """Puts the file on the X clipboard; xclip stays in the foreground
        (-quiet) serving it until stopped."""
        self.stop_offering()
        type(self).clipboard = subprocess.Popen(
            ["xclip", "-quiet", "-selection", "clipboard", "-t", mime, "-i", path],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def offered():
            targets = subprocess.run(["xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"],
                                     capture_output=True, timeout=20).stdout
            return mime.encode() in targets.split()

        self.assertTrue(d.wait_for(offered, 5, 0.05), f"xclip does not offer {mime}")

    def paste(self, size=None):
        """Ctrl+V, then the window once it shows a source of that size, or
        (with none) once it has held still for half a second."""
        self.tool.move(700, 300)
        self.tool.key("ctrl+v")
        if size:
            want = [f"B: {size[0]}", f"H: {size[1]}"]
            self.assertTrue(d.wait_for(lambda: self.tool.status()[:2] == want, 10, 0.05),
                            f"the status bar shows {self.tool.status()[:2]}, not {want}")
            return self.tool.screenshot()
        previous = None
        end = time.monotonic() + 10
        while True:
            time.sleep(0.5)
            shot = self.tool.screenshot()
            if previous is not None and ImageChops.difference(shot, previous).getbbox() is None:
                return shot
            if time.monotonic() > end:
                return shot
            previous = shot

    def setUp(self):
        if not self.tool.running():
            self.skipTest("roundcut.exe is not running")

    def test_01_a_png_on_the_clipboard_becomes_the_source(self):
        before = self.tool.screenshot()
        self.assertEqual(before.getpixel((300, 300))[:3], (192, 192, 192))
        self.offer(work("photo.png"), "image/png")
        shot = self.paste(self.photo.size)
        shot.save(os.path.join(d.ARTEFACTS, "paste-png.png"))
        # The initial square is the picture's top-left 600 x 600, shown 1:1.
        wrong = [(x, y) for y in range(0, 600, 23) for x in range(0, 600, 23)
                 if shot.getpixel((10 + x, 10 + y))[:3] != self.photo.getpixel((x, y))]
        self.assertEqual(wrong, [], "the left image is not the pasted picture's top-left square")
        # And it was rendered: the cut-out's centre is the picture's centre.
        self.assertEqual(shot.getpixel((720 + 299, 10 + 299))[:3], self.photo.getpixel((299, 299)))

    def test_02_text_on_the_clipboard_changes_nothing(self):
        before = self.tool.screenshot()
        with open(work("note.txt"), "w") as f:
            f.write("just text\n")
        self.offer(work("note.txt"), "UTF8_STRING")
        shot = self.paste()
        self.assertIsNone(ImageChops.difference(shot, before).getbbox())
        self.assertTrue(self.tool.running())
