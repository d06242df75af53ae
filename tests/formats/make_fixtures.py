#!/usr/bin/python3
"""Makes the WebP, HEIF, AVIF and colour-profile test pictures with Debian's
encoders (cwebp, img2webp, webpmux, heif-enc, avifenc, PIL) and, for each,
what an independent decoder makes of it (dwebp, heif-convert, PIL's
ImageCms), into OUT.  cases.txt lists "picture reference tolerance" lines;
each reference is "W H\\n" and then blue-green-red rows, top row first,
with alpha already put over black."""
import os
import shutil
import subprocess
import sys

from PIL import Image, ImageCms

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
cases = []


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def over_black(c, a):
    t = c * a + 128
    return (t + (t >> 8)) >> 8


def write_reference(name, img):
    img = img.convert("RGBA")
    w, h = img.size
    data = bytearray(f"{w} {h}\n".encode())
    for r, g, b, a in img.getdata():
        data += bytes((over_black(b, a), over_black(g, a), over_black(r, a)))
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


def path(name):
    return os.path.join(out, name)


def base(width, height, alpha):
    # Asymmetric, odd-sized, distinct channels; alpha varies across the picture.
    img = Image.new("RGBA", (width, height))
    img.putdata([((x * 5 + y * 2) & 255, 200 if (x // 7 + y // 5) & 1 else 40, (y * 9 + x) & 255,
                  (x * 3 + y * 11) & 255 if alpha else 255) for y in range(height) for x in range(width)])
    return img


rgba, rgb = base(67, 45, True), base(67, 45, False).convert("RGB")
rgba.save(path("rgba.png"))
rgb.save(path("rgb.png"))

# WebP against dwebp.
if shutil.which("cwebp") and shutil.which("dwebp"):
    for name, args, source in (("lossy", ["-q", "80"], "rgb.png"), ("lossless", ["-lossless", "-exact"], "rgba.png"),
                               ("alpha_lossy", ["-q", "80", "-exact"], "rgba.png")):
        run("cwebp", "-quiet", *args, path(source), "-o", path(name + ".webp"))
        run("dwebp", "-quiet", path(name + ".webp"), "-o", path(name + ".out.png"))
        write_reference(name + ".webp.ref", Image.open(path(name + ".out.png")))
        cases.append((name + ".webp", name + ".webp.ref", 0))
    # EXIF orientation 6: turned a quarter clockwise.
    tiff = b"II*\0" + (8).to_bytes(4, "little") + (1).to_bytes(2, "little") + \
        bytes.fromhex("1201") + (3).to_bytes(2, "little") + (1).to_bytes(4, "little") + \
        (6).to_bytes(2, "little") + b"\0\0" + b"\0\0\0\0"
    with open(path("exif6.bin"), "wb") as f:
        f.write(tiff)
    run("webpmux", "-set", "exif", path("exif6.bin"), path("lossy.webp"), "-o", path("exif6.webp"))
    write_reference("exif6.webp.ref", Image.open(path("lossy.out.png")).transpose(Image.Transpose.ROTATE_270))
    cases.append(("exif6.webp", "exif6.webp.ref", 0))
    # An animation gives its first frame.
    rgb.transpose(Image.Transpose.FLIP_LEFT_RIGHT).save(path("second.png"))
    run("img2webp", "-lossless", path("rgb.png"), path("second.png"), "-o", path("anim.webp"))
    write_reference("anim.webp.ref", rgb)
    cases.append(("anim.webp", "anim.webp.ref", 0))

# Colour profiles against ImageCms (lcms2 too), relative colorimetric.
srgb = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB"))
for name, icc in (("adobe", "/usr/share/color/icc/colord/AdobeRGB1998.icc"),
                  ("prophoto", "/usr/share/color/icc/colord/ProPhotoRGB.icc")):
    if not os.path.exists(icc):
        continue
    profile = open(icc, "rb").read()
    shutil.copy(icc, path(name + ".icc"))
    expect = ImageCms.profileToProfile(rgb, ImageCms.ImageCmsProfile(icc), srgb,
                                       renderingIntent=ImageCms.Intent.RELATIVE_COLORIMETRIC)
    rgb.save(path(name + ".png"), icc_profile=profile)
    write_reference(name + ".png.ref", expect)
    cases.append((name + ".png", name + ".png.ref", 1))
    rgb.save(path(name + ".webp"), lossless=True, icc_profile=profile)
    cases.append((name + ".webp", name + ".png.ref", 1))
    rgb.save(path(name + ".jpg"), quality=95, icc_profile=profile)
# An sRGB profile, and a broken one, leave the picture as it is.
rgb.save(path("srgb.png"), icc_profile=srgb.tobytes())
rgb.save(path("broken.png"), icc_profile=b"acsp" * 40)
write_reference("rgb.ref", rgb)
cases += [("rgb.png", "rgb.ref", 0), ("srgb.png", "rgb.ref", 0), ("broken.png", "rgb.ref", 0)]

# HEIF and AVIF against heif-convert.
if shutil.which("heif-enc") and shutil.which("heif-convert"):
    run("heif-enc", "-q", "90", path("rgb.png"), "-o", path("photo.heic"))
    cases.append(("photo.heic", "photo.heic.ref", 0))
    if shutil.which("avifenc"):
        run("avifenc", "-s", "10", path("rgba.png"), path("alpha.avif"))
        cases.append(("alpha.avif", "alpha.avif.ref", 0))
    for picture, _, _ in cases:
        if picture.endswith((".heic", ".avif")):
            run("heif-convert", path(picture), path(picture + ".png"))
            write_reference(picture + ".ref", Image.open(path(picture + ".png")))

with open(path("cases.txt"), "w") as f:
    for case in cases:
        f.write("%s %s %d\n" % case)
