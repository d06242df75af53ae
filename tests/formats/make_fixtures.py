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


def path(name):
    return os.path.join(out, name)


def write_reference(name, img):
    def over_black(c, a):  # as the decoders compute it
        t = c * a + 128
        return (t + (t >> 8)) >> 8
    data = bytearray("%d %d\n" % img.size, "ascii")
    for r, g, b, a in img.convert("RGBA").getdata():
        data += bytes((over_black(b, a), over_black(g, a), over_black(r, a)))
    open(path(name), "wb").write(data)


def base(width, height, alpha):
    # Asymmetric, odd-sized, distinct channels; alpha varies across the picture.
    img = Image.new("RGBA", (width, height))
    img.putdata([((x * 5 + y * 2) & 255, 200 if (x // 7 + y // 5) & 1 else 40, (y * 9 + x) & 255,
                  (x * 3 + y * 11) & 255 if alpha else 255) for y in range(height) for x in range(width)])
    return img


def to_xyz(xy):
    """The RGB to XYZ matrix of primaries and white (CIE xy)."""
    import numpy as np
    columns = np.array([[x / y, 1.0, (1 - x - y) / y] for x, y in xy[:3]]).T
    wx, wy = xy[3]
    scale = np.linalg.solve(columns, [wx / wy, 1.0, (1 - wx - wy) / wy])
    return columns * scale


def p3_to_srgb(img):
    import numpy as np
    white = (0.3127, 0.3290)
    m = np.linalg.inv(to_xyz([(0.64, 0.33), (0.30, 0.60), (0.15, 0.06), white])) @ \
        to_xyz([(0.680, 0.320), (0.265, 0.690), (0.150, 0.060), white])
    v = np.asarray(img, dtype=np.float64) / 255
    lin = np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4) @ m.T
    lin = np.clip(lin, 0, 1)
    out = np.where(lin <= 0.0031308, lin * 12.92, 1.055 * lin ** (1 / 2.4) - 0.055)
    return Image.fromarray(np.round(out * 255).astype(np.uint8), "RGB")


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
# sRGB profiles (lcms2's, and Debian's sRGB.icc), and a broken one, leave
# the picture as it is.
rgb.save(path("srgb.png"), icc_profile=srgb.tobytes())
if os.path.exists("/usr/share/color/icc/sRGB.icc"):
    rgb.save(path("srgb_file.png"), icc_profile=open("/usr/share/color/icc/sRGB.icc", "rb").read())
    cases.append(("srgb_file.png", "rgb.ref", 0))
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
    if shutil.which("avifenc"):
        # Display P3 primaries given as colour information (nclx, no ICC
        # profile), stored losslessly: heif-convert's pixels are the P3
        # values, which the reference takes to sRGB by the matrices the
        # primaries define (both whites D65).
        run("avifenc", "-l", "--cicp", "12/13/0", path("rgb.png"), path("p3.avif"))
        run("heif-convert", path("p3.avif"), path("p3.avif.png"))
        write_reference("p3.avif.ref", p3_to_srgb(Image.open(path("p3.avif.png")).convert("RGB")))
        cases.append(("p3.avif", "p3.avif.ref", 1))

with open(path("cases.txt"), "w") as f:
    for case in cases:
        f.write("%s %s %d\n" % case)
