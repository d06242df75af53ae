"""Hostile source pictures, made on the spot: cut-off, empty and random files,
headers that claim impossible sizes, pictures too tall for an image, 16-bit
samples, CMYK, animation, icons and a metafile of nonsense records.

Each maker writes one file and returns it with what the tool may make of it:
the black 600 x 600 fallback, a decoded picture (of one known colour where the
file has one), or either."""
import io
import os
import random
import struct
import zlib

from PIL import Image

FALLBACK, DECODED, EITHER = "fallback", "decoded", "either"


class Hostile:
    def __init__(self, name, data, outcome, colour=None):
        self.name = name
        self.data = data
        self.outcome = outcome
        self.colour = colour  # (r, g, b) the whole picture has, when decoded

    def write(self, folder):
        path = os.path.join(folder, self.name)
        with open(path, "wb") as f:
            f.write(self.data)
        return path


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_file(width, height, bit_depth, colour_type, raw, compress=True):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    idat = zlib.compress(raw, 9) if compress else raw
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", idat) +
            png_chunk(b"IEND", b""))


def encoded(image, fmt, **options):
    out = io.BytesIO()
    image.save(out, fmt, **options)
    return out.getvalue()


def solid(width, height, colour, mode="RGB"):
    return Image.new(mode, (width, height), colour)


def png16(width, height, rgb16):
    """A 16-bit-per-sample RGB PNG of one colour."""
    pixel = struct.pack(">HHH", *rgb16)
    raw = b"".join(b"\x00" + pixel * width for _ in range(height))
    return png_file(width, height, 16, 2, raw)


def nonsense_wmf():
    """A placeable metafile whose records make no sense: sizes of 0 and of far
    more than the file, functions that do not exist, drawing calls without
    their parameters, objects never made; an end record last."""
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1440, 720, 1440, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    placeable += struct.pack("<H", checksum)

    def record(words, function, *params):
        return struct.pack("<IH", words, function) + b"".join(struct.pack("<H", p) for p in params)

    records = b"".join([
        record(0, 0x0103),                      # size 0
        record(5, 0x020C, 0xFFFF, 0x8000),      # window extent of nonsense
        record(4, 0x012D, 9999),                # select an object never made
        record(3, 0x0B41),                      # stretch a bitmap that is not there
        record(0x00FFFFFF, 0x0626, 1, 2),       # text claiming 32 MiB
        record(7, 0x7777, 1, 2, 3, 4),          # no such function
        record(4, 0x01F0, 65535),               # delete an object never made
        record(8, 0x0324, 0xFFFF, 0, 0),        # polygon of 65535 points, none given
        bytes(random.Random(11).getrandbits(8) for _ in range(300)),
        record(3, 0),                           # end
    ])
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, (18 + len(records)) // 2, 65535, 0x00FFFFFF, 0)
    return placeable + header + records


def hostile_files():
    """The files in the order the test loads them."""
    rng = random.Random(20261208)
    whole_png = encoded(solid(600, 600, (200, 40, 90)), "PNG")
    whole_jpg = encoded(solid(600, 600, (30, 160, 220)), "JPEG", quality=95)
    animation = [solid(12, 10, c) for c in ((255, 0, 0), (0, 0, 255), (255, 255, 255))]
    gif = io.BytesIO()
    animation[0].save(gif, "GIF", save_all=True, append_images=animation[1:], duration=100, loop=0)
    # An IHDR with a correct checksum that claims 100000 x 100000, then a few
    # bytes of picture data.
    claims_huge = png_file(100000, 100000, 8, 2, b"\x00" + b"\x40" * 300)
    return [
        Hostile("empty.png", b"", FALLBACK),
        Hostile("random.jpg", bytes(rng.getrandbits(8) for _ in range(4096)), FALLBACK),
        Hostile("random.bmp", b"BM" + bytes(rng.getrandbits(8) for _ in range(4096)), FALLBACK),
        # Cut-off pictures of 600 x 600: whatever is decoded, the sizes shown
        # are 600 either way.
        Hostile("cut_short.png", whole_png[: len(whole_png) // 3], EITHER),
        Hostile("cut_after_header.png", whole_png[:33], EITHER),
        Hostile("cut_short.jpg", whole_jpg[: len(whole_jpg) // 2], EITHER),
        Hostile("claims_100000x100000.png", claims_huge, FALLBACK),
        # Taller than an image may be: sides are 16-bit.
        Hostile("tall_1x40000.png", encoded(solid(1, 40000, (20, 200, 60)), "PNG"), FALLBACK),
        Hostile("deep16.png", png16(40, 30, (0xC8C8, 0x6464, 0x1E1E)), DECODED, (0xC8, 0x64, 0x1E)),
        Hostile("cmyk.jpg", encoded(solid(48, 32, (0, 255, 255, 0), "CMYK"), "JPEG", quality=95), EITHER),
        Hostile("animated.gif", gif.getvalue(), DECODED, (255, 0, 0)),
        Hostile("green.ico", encoded(solid(32, 32, (0, 255, 0, 255), "RGBA"), "ICO", sizes=[(32, 32)]), EITHER,
                (0, 255, 0)),
        Hostile("nonsense.wmf", nonsense_wmf(), EITHER),
    ]
