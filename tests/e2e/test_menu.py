"""The menu bar and its shortcuts used from the keyboard, and the settings
the tool remembers between two runs: one APPDATA folder for both runs,
the files checked with an independent decoder."""
import os
import shutil
import tempfile
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-menu")
PICTURES = os.path.join(WORK, "pictures")
OUT = os.path.join(WORK, "out")


def ini_text(appdata):
    with open(os.path.join(appdata, "roundcut", "roundcut.ini"), newline="") as f:
        return f.read()


class MenuAndSettings(unittest.TestCase):
    tool = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(PICTURES)
        os.makedirs(OUT)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        expect.make_photo(700, 500).save(os.path.join(PICTURES, "photo.png"))
        expect.make_photo(640, 480).save(os.path.join(PICTURES, "second.jpg"))
        with open(os.path.join(PICTURES, "notes.txt"), "w") as f:
            f.write("not a picture")
        cls.appdata = tempfile.mkdtemp(prefix="roundcut-appdata-")
        cls.tool = d.Tool(WORK, cls.appdata)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()
        shutil.rmtree(cls.appdata, ignore_errors=True)

    def menu_keys(self, *keys):
        """Keys typed with the pointer over the window (Alt+letter opens a menu)."""
        self.tool.move(1000, 300)
        for k in keys:
            self.tool.key(k)

    def test_1_shortcuts_and_menus_of_a_first_run(self):
        # Ctrl+O is Load: the picture shows and is rendered.
        self.menu_keys("ctrl+o")
        self.tool.answer_file_dialog(os.path.join(PICTURES, "photo.png"))
        # Options > Smooth edge, Options > Output size > 256 (the second size).
        self.menu_keys("alt+o", "s")
        self.menu_keys("alt+o", "z", "Down", "Return")
        # Ctrl+S saves a PNG, Ctrl+Shift+S a JPEG.
        self.menu_keys("ctrl+s")
        self.tool.answer_file_dialog(os.path.join(OUT, "first"))
        self.menu_keys("ctrl+shift+s")
        self.tool.answer_file_dialog(os.path.join(OUT, "first"))
        self.assertTrue(d.wait_file(os.path.join(OUT, "first.jpg")))
        self.assertEqual(sorted(os.listdir(OUT)), ["first.jpg", "first.png"])
        self.assertEqual(Image.open(os.path.join(OUT, "first.png")).mode, "RGBA")
        self.assertEqual(Image.open(os.path.join(OUT, "first.jpg")).format, "JPEG")
        # File > Batch... (Ctrl+B): three pictures chosen where the last one
        # was loaded from, that folder taken for the cut-outs, a PNG of the
        # output size for each picture (beside, not over, photo.png).
        self.menu_keys("ctrl+b")
        self.tool.answer_dialog("Batch: choose the pictures", '"photo.png" "second.jpg" "notes.txt"')
        self.tool.answer_dialog("Batch: choose the folder for the cut-outs")
        for name in ("photo (2).png", "second.png"):
            path = os.path.join(PICTURES, name)
            self.assertTrue(d.wait_file(path, 30), name)
            self.assertEqual(Image.open(path).size, (256, 256))
        batch = self.tool.wait_dialog("Batch")
        self.tool.point_at_dialog(batch)
        self.tool.key("alt+F4")
        self.assertTrue(self.tool.dialog_gone("Batch"))
        # Help > About roundcut: a message box, closed with Return.
        self.menu_keys("alt+h", "a")
        about = self.tool.wait_dialog("About roundcut")
        self.tool.point_at_dialog(about)
        self.tool.key("Return")
        self.assertTrue(self.tool.dialog_gone("About roundcut"))
        # File > Exit ends the tool like its close box.
        self.menu_keys("alt+f", "x")
        self.assertEqual(self.tool.wait_exit(20), 0)

        text = ini_text(self.appdata)
        for line in ("smooth_edge=1", "output_size=256", "radius=295",
                     "load_folder=" + d.to_windows_path(PICTURES), "save_folder=" + d.to_windows_path(OUT)):
            self.assertIn("\r\n" + line + "\r\n", text)

    def test_2_a_second_run_remembers(self):
        if not os.path.exists(os.path.join(self.appdata, "roundcut", "roundcut.ini")):
            self.skipTest("the first run wrote no settings")
        type(self).tool = d.Tool(WORK, self.appdata)
        self.tool.start()
        # The open and save dialogs start in the remembered folders: bare
        # names are found and written there.
        self.menu_keys("ctrl+o")
        self.tool.answer_file_dialog("photo.png")
        self.menu_keys("ctrl+s")
        self.tool.answer_file_dialog("second")
        self.assertTrue(d.wait_file(os.path.join(OUT, "second.png")))
        # Reset to defaults, then closing writes the start state.
        self.menu_keys("alt+o", "r")
        self.tool.move(1000, 300)
        self.tool.key("alt+F4")
        self.assertEqual(self.tool.wait_exit(20), 0)
        text = ini_text(self.appdata)
        for line in ("smooth_edge=0", "output_size=600", "save_folder=" + d.to_windows_path(OUT)):
            self.assertIn("\r\n" + line + "\r\n", text)


if __name__ == "__main__":
    unittest.main()
