"""Copy as an X program sees it: Ctrl+C in the running roundcut.exe, then
xclip reads image/png from the X clipboard (through Wine's clipboard bridge)
while the tool still runs, and gets exactly the file Save PNG writes."""
import io
import os
import shutil
import subprocess
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-clipboard")


def xclip(target):
    result = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"], capture_output=True,
                            timeout=20)
    return result.stdout if result.returncode == 0 else b""


class Clipboard(unittest.TestCase):
    tool = None

    @classmethod
    def setUpClass(cls):
        if not shutil.which("xclip"):
            raise unittest.SkipTest("xclip is not installed")
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        expect.make_photo(1000, 700).save(os.path.join(WORK, "source.png"))
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()

    def test_ctrl_c_offers_the_saved_png_to_x_programs(self):
        t = self.tool
        t.click(d.LOAD)
        t.answer_file_dialog(os.path.join(WORK, "source.png"))
        t.click(d.START)
        t.click(d.SAVE_PNG)
        t.answer_file_dialog(os.path.join(WORK, "saved"))
        saved = os.path.join(WORK, "saved.png")
        self.assertTrue(d.wait_file(saved), "saved.png was not written")
        with open(saved, "rb") as f:
            expected = f.read()

        # The shortcut goes to the window under the pointer.
        t.move(1000, 300)
        t.key("ctrl+c")
        targets = d.wait_for(lambda: b"image/png" in xclip("TARGETS") and xclip("TARGETS"), 10, 0.5)
        self.assertTrue(targets, "the X clipboard offers no image/png")
        with open(os.path.join(d.ARTEFACTS, "clipboard-targets.txt"), "wb") as f:
            f.write(targets)
        data = xclip("image/png")
        self.assertEqual(len(data), len(expected))
        self.assertEqual(data, expected)
        image = Image.open(io.BytesIO(data))
        self.assertEqual((image.format, image.mode, image.size), ("PNG", "RGBA", (600, 600)))
        # The bridge also turns a bitmap into image/bmp for programs without PNG.
        if b"image/bmp" in targets:
            bmp = Image.open(io.BytesIO(xclip("image/bmp")))
            self.assertEqual(bmp.size, (600, 600))
            with open(os.path.join(d.ARTEFACTS, "clipboard-targets.txt"), "a") as f:
                f.write(f"image/bmp: {bmp.mode} {bmp.size}\n")
        self.assertTrue(t.running())


if __name__ == "__main__":
    unittest.main()
