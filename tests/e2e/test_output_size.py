"""A cut-out saved at 256 x 256 with the smooth edge, both chosen from the
menu bar by keyboard, checked against what this file computes from the
source picture alone: the crop square area-averaged to 256, the disc
centred with its radius scaled by 256 / 600, and each edge pixel's share of the
disc found by sampling."""
import math
import os
import shutil
import unittest

from PIL import Image

import driver as d
import expect

WORK = os.path.join(d.ROOT, "build", "e2e-size")
SIZE = 256
OUTER_ALPHA = 60   # the outer trackbar's value; the inner one stays 255
RADIUS = 295       # the tool's start radius
# Sizes other than 600 centre the disc on the canvas; its edge lies about
# 0.45 beyond the midpoint radius, scaled to the output.
SCALE = SIZE / expect.CANVAS
CENTRE = SIZE / 2
EDGE = (RADIUS + 0.45) * SCALE
# How far the edge may sit from EDGE (a tenth of a canvas pixel, scaled).
SLACK = 0.1 * SCALE
SAMPLES = 16  # per side of a pixel, for its coverage


def distances(x, y):
    """Nearest and farthest distance of pixel (x, y)'s square from CENTRE."""
    def span(a):
        lo, hi = a - CENTRE, a + 1 - CENTRE
        near = 0.0 if lo <= 0 <= hi else min(abs(lo), abs(hi))
        return near, max(abs(lo), abs(hi))
    (nx, fx), (ny, fy) = span(x), span(y)
    return math.hypot(nx, ny), math.hypot(fx, fy)


def coverage(x, y):
    inside = 0
    for i in range(SAMPLES):
        v = y + (i + 0.5) / SAMPLES - CENTRE
        for j in range(SAMPLES):
            u = x + (j + 0.5) / SAMPLES - CENTRE
            inside += u * u + v * v < EDGE * EDGE
    return inside / (SAMPLES * SAMPLES)


class OutputSize(unittest.TestCase):
    tool = None

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        os.makedirs(d.ARTEFACTS, exist_ok=True)
        # Wider and taller than 600: the crop square starts at (0, 0, 600).
        cls.photo = expect.make_photo(800, 700)
        cls.photo.save(os.path.join(WORK, "photo.png"))
        cls.tool = d.Tool(WORK)
        cls.tool.start()

    @classmethod
    def tearDownClass(cls):
        if cls.tool:
            cls.tool.kill()
            shutil.rmtree(cls.tool.appdata, ignore_errors=True)

    def menu_keys(self, *keys):
        """Keys typed with the pointer over the window (Alt+letter opens a menu)."""
        self.tool.move(1000, 300)
        for k in keys:
            self.tool.key(k)

    def test_smooth_edge_at_256(self):
        t = self.tool
        t.click(d.LOAD)
        t.answer_file_dialog(os.path.join(WORK, "photo.png"))
        t.drag_thumb_to_bottom(d.OUTER_TRACKBAR_X)
        t.key("Up", repeat=OUTER_ALPHA)
        # Options > Output size > 256 (the second size), Options > Smooth edge.
        self.menu_keys("alt+o", "z", "Down", "Return")
        self.menu_keys("alt+o", "s")
        t.click(d.SAVE_PNG)
        t.answer_file_dialog(os.path.join(WORK, "cut"))
        path = os.path.join(WORK, "cut.png")
        self.assertTrue(d.wait_file(path), "cut.png was not written")
        image = Image.open(path)
        image.load()
        self.assertEqual((image.format, image.mode, image.size), ("PNG", "RGBA", (SIZE, SIZE)))

        source = self.photo.crop((0, 0, 600, 600)).resize((SIZE, SIZE), Image.BOX)
        px, src = image.load(), source.load()
        inside, edge = expect.Stats(), expect.Stats()
        alpha_error = expect.Stats()
        wrong_inside = wrong_outside = partial_off_ring = partial = 0
        alpha_sum = 0
        for y in range(SIZE):
            for x in range(SIZE):
                r, g, b, a = px[x, y]
                alpha_sum += a
                near, far = distances(x, y)
                if far < EDGE - SLACK:
                    wrong_inside += a != 255
                    inside.add((r, g, b), src[x, y])
                elif near > EDGE + SLACK:
                    wrong_outside += (r, g, b, a) != (0, 0, 0, OUTER_ALPHA)
                else:
                    # The background is black: the premultiplied mix leaves
                    # the source's colour weighted by its share of the alpha.
                    c = coverage(x, y)
                    expected = c * 255 + (1 - c) * OUTER_ALPHA
                    alpha_error.add((a,), (expected,))
                    if a > OUTER_ALPHA:
                        edge.add((r, g, b), [c * 255 * s / a for s in src[x, y]])
                partial += a not in (255, OUTER_ALPHA)
                partial_off_ring += a not in (255, OUTER_ALPHA) and not (near <= EDGE + SLACK and far >= EDGE - SLACK)
        print(f"\n    inside against area averaging: {inside}\n    edge alpha: {alpha_error}"
              f"\n    edge colour: {edge}\n    {partial} pixels between the two alphas")
        self.assertEqual(wrong_inside, 0, "pixels wholly inside the disc without alpha 255")
        self.assertEqual(wrong_outside, 0, f"pixels wholly outside other than black with alpha {OUTER_ALPHA}")
        self.assertEqual(partial_off_ring, 0, "mixed alphas off the disc's boundary")
        # The ring holds about 2 pi R pixels, nearly all of them mixed.
        self.assertGreater(partial, 5 * EDGE)
        self.assertLess(inside.mean, 1.0)
        self.assertLessEqual(inside.largest, 6)
        self.assertLess(alpha_error.mean, 2.0)
        self.assertLessEqual(alpha_error.largest, 12)
        self.assertLess(edge.mean, 3.0)
        # The sum of the alphas is the disc's area at 255 and the rest at the
        # outer alpha, give or take the edge's slack.
        disc = math.pi * EDGE * EDGE
        area = disc * 255 + (SIZE * SIZE - disc) * OUTER_ALPHA
        self.assertLess(abs(alpha_sum - area), 2 * math.pi * EDGE * SLACK * (255 - OUTER_ALPHA),
                        f"alpha sum {alpha_sum} against {area:.0f}")


if __name__ == "__main__":
    unittest.main()
