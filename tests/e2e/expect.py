"""What the tool's output must be, computed here from the source picture
alone: the crop, its area-average scaling, the disc's pixel set, alphas and
colours."""
import math

from PIL import Image

CANVAS = 600
CENTRE = 299


def make_photo(width, height):
    """A photograph stand-in whose every region differs from its neighbours:
    three slanted waves of different periods, one per channel, so a crop one
    step off compares badly."""
    image = Image.new("RGB", (width, height))
    px = image.load()
    for y in range(height):
        for x in range(width):
            r = 128 + 127 * math.sin(x / 37.0 + y / 211.0)
            g = 128 + 127 * math.sin(y / 23.0 - x / 157.0)
            b = 128 + 127 * math.sin((x + 2 * y) / 51.0)
            px[x, y] = (int(r), int(g), int(b))
    return image


def disc(radius):
    """The canvas pixels inside the tool's filled circle: the midpoint
    circle, with rows cy +- y filled every pass and rows cy +- x only where
    x is about to shrink."""
    inside = set()

    def span(x1, x2, y):
        if x2 < x1:
            x1, x2 = x2, x1
        if not 0 <= y < CANVAS:
            return
        for x in range(max(x1, 0), min(x2, CANVAS - 1) + 1):
            inside.add((x, y))

    cx = cy = CENTRE
    d, x, y = 3 - 2 * radius, radius, 0
    while y <= x:
        span(cx - x, cx + x, cy - y)
        span(cx - x, cx + x, cy + y)
        if d >= 0:
            span(cx - y, cx + y, cy - x)
            span(cx - y, cx + y, cy + x)
            d += 4 * (y - x) + 10
            x -= 1
        else:
            d += 4 * y + 6
        y += 1
    return inside


def crop(photo, xs, ys, side):
    """The square scaled to the canvas: area averaging when it shrinks."""
    square = photo.crop((xs, ys, xs + side, ys + side))
    if side == CANVAS:
        return square
    return square.resize((CANVAS, CANVAS), Image.BOX)


def over_white(value, alpha):
    return (value * alpha + 255 * (255 - alpha)) / 255.0


class Stats:
    """Differences of colour channels over a pixel set."""

    def __init__(self):
        self.count = 0
        self.total = 0
        self.largest = 0

    def add(self, a, b):
        for u, v in zip(a, b):
            diff = abs(u - v)
            self.total += diff
            self.largest = max(self.largest, diff)
            self.count += 1

    @property
    def mean(self):
        return self.total / self.count if self.count else 0.0

    def __repr__(self):
        return f"mean {self.mean:.3f}, largest {self.largest} over {self.count} channel values"


def compare_inside(saved, expected, pixels):
    """saved: RGBA or RGB image; expected: RGB image; over the given pixels."""
    a, b = saved.load(), expected.load()
    stats = Stats()
    for (x, y) in pixels:
        stats.add(a[x, y][:3], b[x, y][:3])
    return stats
