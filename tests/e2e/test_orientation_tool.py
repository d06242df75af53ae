"""A phone photograph stored turned (EXIF orientation 6) loaded through the
running roundcut.exe: the status bar shows the upright size, exactly as for
the same picture stored upright, and the saved cut-out shows the upright
picture's quarters where they belong.  The same picture as a HEIC file loads
through the Load dialog too."""
import os
import shutil
import subprocess
import unittest

from PIL import Image, ImageChops

import driver as d

WORK = os.path.join(d.ROOT, "build", "e2e-orientation")
# The status bar fields "B: ..." and "H: ...".
SIZES = (2, 658, 118, 678)
# The upright picture, 600 x 900: four quarters split at x 300 and y 450.
RED, GREEN, BLUE, WHITE = (224, 16, 16), (16, 192, 32), (32, 32, 224), (240, 240, 240)


def upright():
    image = Image.new("RGB", (600, 900))
    for box, colour in (((0, 0, 300, 450), RED), ((300, 0, 600, 450), GREEN), ((0, 450, 300, 900), BLUE),
                        ((300, 450, 600, 900), WHITE)):
        image.paste(colour, box)
    return image


def work(name):
    return os.path.join(WORK, name)


class OrientationThroughTheTool(unittest.TestCase):
    tool = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        picture = upright()
        picture.save(work("upright.png"))
        # Stored a quarter turn anticlockwise; orientation 6 says to turn it
        # back clockwise.
        exif = Image.Exif()
        exif[0x0112] = 6
        picture.transpose(Image.Transpose.ROTATE_90).save(work("phone.jpg"), quality=95, exif=exif.tobytes())
        # An iPhone's kind of file, which libheif.dll beside the tool reads.
        subprocess.run(["heif-enc", "-q", "90", work("upright.png"), "-o", work("phone.heic")], check=True,
                       stdout=subprocess.DEVNULL)
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()

    def load(self, name):
        self.tool.click(d.LOAD)
        self.tool.answer_file_dialog(work(name))
        return self.tool.screenshot()

    def test_heic_loads_through_the_dialog(self):
        reference = self.load("upright.png").crop(SIZES)
        shot = self.load("phone.heic")
        self.assertIsNone(ImageChops.difference(shot.crop(SIZES), reference).getbbox(),
                          "B and H differ from the picture's own (600, 900): the HEIC did not load")

    def test_phone_photograph_loads_upright(self):
        with Image.open(work("phone.jpg")) as stored:
            self.assertEqual(stored.size, (900, 600))
            self.assertEqual(stored.getexif().get(0x0112), 6)
        reference = self.load("upright.png").crop(SIZES)
        shot = self.load("phone.jpg")
        shot.save(os.path.join(d.ARTEFACTS, "orientation-phone.png"))
        self.assertIsNone(ImageChops.difference(shot.crop(SIZES), reference).getbbox(),
                          "B and H differ from those of the picture stored upright (600, 900)")

        self.tool.click(d.START)
        self.tool.click(d.SAVE_PNG)
        self.tool.answer_file_dialog(work("cut"))
        path = work("cut.png")
        self.assertTrue(d.wait_file(path), "cut.png was not written")
        with Image.open(path) as saved:
            saved.load()
            self.assertEqual(saved.size, (600, 600))
            # The initial square is the upright picture's top 600 x 600: its
            # quarters meet at (300, 450); these points lie inside the disc.
            for point, colour in (((150, 150), RED), ((450, 150), GREEN), ((150, 520), BLUE), ((450, 520), WHITE)):
                got = saved.getpixel(point)[:3]
                self.assertLessEqual(max(abs(a - b) for a, b in zip(got, colour)), 8, f"at {point}: {got}")


if __name__ == "__main__":
    unittest.main()
