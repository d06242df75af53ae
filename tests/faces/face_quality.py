#!/usr/bin/env python3
"""face_quality.py FACE_PROBE CASCADE_FOLDER: the face search against
scikit-image's Cascade on the same grey pictures (IoU >= 0.7 or both none on
90 %), annotated faces (IoU >= 0.5 on 95 %) and 20 face-less photographs (at
most one face), all made from the pictures python3-skimage ships."""
import functools
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from PIL import Image
    from skimage import data
    from skimage.feature import Cascade
except ImportError as e:
    print(f"skipped: {e} (python3-skimage, python3-pil)")
    sys.exit(77)

PROBE, CASCADES = sys.argv[1:3]
# The search's window step per cascade, in pixels of the window's scale.
STEP = {"lbpcascade_frontalface_improved": 2.0, "lbpcascade_frontalcatface": 1.5}
ASTRONAUT_FACE = (184, 84, 78, 78)  # annotated: brows to chin, cheek to cheek
DATA = os.path.dirname(data.__file__)


def rgb(a):
    a = np.asarray(a)
    return np.stack([a] * 3, axis=-1).astype(np.uint8) if a.ndim == 2 else a[..., :3].astype(np.uint8)


def faceless():
    names = ["coffee", "rocket", "brick", "grass", "gravel", "coins", "moon", "hubble_deep_field", "retina",
             "immunohistochemistry", "page", "text", "clock", "cell", "microaneurysms"]
    pictures = [(n, rgb(getattr(data, n)())) for n in names]
    pictures += [(n, rgb(Image.open(os.path.join(DATA, n + ".png")))) for n in ("motorcycle_left", "motorcycle_right")]
    pictures += [("coffee upside down", pictures[0][1][::-1]), ("rocket mirrored", pictures[1][1][:, ::-1]),
                 ("retina quarter", pictures[8][1][:700, :700])]
    return pictures


def pasted(backgrounds):
    """The astronaut's face (with a margin of hair and neck) at 20 sizes and
    places; the annotated box follows it."""
    astronaut = data.astronaut()
    fx, fy, fs, _ = ASTRONAUT_FACE
    margin = fs // 2
    patch = Image.fromarray(astronaut[fy - margin:fy + fs + margin, fx - margin:fx + fs + margin])
    rng = np.random.default_rng(25)
    out = []
    backgrounds = [b for b in backgrounds if min(b[1].shape[:2]) >= 200]
    for i in range(20):
        name, back = backgrounds[i % len(backgrounds)]
        picture = Image.fromarray(back)
        if i % 3 == 0:  # larger than the search side: exercised through the reduction
            picture = picture.resize((picture.width * 5 // 2, picture.height * 5 // 2), Image.BILINEAR)
        short = min(picture.size)
        # The face at least 50 pixels in the searched picture: the smallest window is 45.
        least = 2 * 50 * max(max(picture.size) / 640, 1)
        size = int(max(rng.uniform(0.25, 0.8) * short, least))
        x, y = int(rng.uniform(0, picture.width - size)), int(rng.uniform(0, picture.height - size))
        picture.paste(patch.resize((size, size), Image.LANCZOS), (x, y))
        k = size / patch.width
        out.append((f"face in {name} at {x},{y} size {size}", np.asarray(picture),
                    (x + margin * k, y + margin * k, fs * k, fs * k)))
    return out


def iou(a, b):
    ix = max(0, min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]))
    iy = max(0, min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]))
    inter = ix * iy
    return inter / (a[2] * a[3] + b[2] * b[3] - inter)


def largest(boxes):
    return max(boxes, key=lambda b: b[2] * b[3]) if boxes else None


def ours(picture, folder):
    ppm, pgm = os.path.join(folder, "in.ppm"), os.path.join(folder, "grey.pgm")
    Image.fromarray(picture).save(ppm)
    out = subprocess.run([PROBE, ppm, pgm], capture_output=True, text=True, check=True).stdout.split("\n")
    found = {"person": [], "cat": []}
    for line in filter(None, out):
        kind, *box = line.split()
        found[kind].append(tuple(int(v) for v in box))
    return np.asarray(Image.open(pgm)), largest(found["person"]) or largest(found["cat"])


@functools.cache
def cascade(name):
    return Cascade(os.path.join(CASCADES, name + ".xml"))


def theirs(grey):
    for name, window in (("lbpcascade_frontalface_improved", 45), ("lbpcascade_frontalcatface", 24)):
        found = cascade(name).detect_multi_scale(grey, scale_factor=1.1, step_ratio=STEP[name],
                                                 min_size=(window, window), max_size=grey.shape,
                                                 min_neighbour_number=3)
        if found:
            return largest([(d["c"], d["r"], d["width"], d["height"]) for d in found])
    return None


def main():
    backgrounds = faceless()
    annotated = [("astronaut", data.astronaut(), ASTRONAUT_FACE)] + pasted(backgrounds)
    cases = annotated + [(name, picture, None) for name, picture in backgrounds[:20]]
    agree = found = false_faces = 0
    with tempfile.TemporaryDirectory() as folder:
        for name, picture, truth in cases:
            grey, mine = ours(picture, folder)
            other = theirs(grey)
            same = (mine is None and other is None) or (mine and other and iou(mine, other) >= 0.7)
            agree += bool(same)
            scale = picture.shape[1] / grey.shape[1]
            hit = truth and mine is not None and iou([v * scale for v in mine], truth) >= 0.5
            found += bool(hit)
            false_faces += not truth and mine is not None
            print(f"{name:40} ours {mine} skimage {other}" + ("" if same else "  DIFFERENT")
                  + ("" if not truth else "  found" if hit else "  MISSED"))
    n, a = len(cases), len(annotated)
    print(f"agreement with skimage: {agree}/{n}; annotated faces found: {found}/{a} (missed {a - found}); "
          f"false faces in {len(cases) - a} face-less pictures: {false_faces}")
    ok = agree >= 0.9 * n and found >= 0.95 * a and false_faces <= 1
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
