#!/usr/bin/env bash
# Writes the application's 600 x 600 RGBA output picture (a photograph inside
# the circle, transparent outside) as PNG, JPEG and BMP with our writers and,
# in the same run, with ImageMagick using the same settings, and prints the
# times, the file sizes and their ratios.
#
# Our side is a Release build without sanitizers (build/bench).  ImageMagick
# reads the very same pixels as raw RGBA; its time to read them and write
# nothing (null:) is measured too and taken off, so that both columns are
# the writing alone.  Installs imagemagick when it is missing and takes the
# photograph (astronaut.png, 512 x 512) from Debian's python3-skimage
# package without installing that package.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
data="$root/build/bench-data"
out="$root/build/bench-out"
runs=${RUNS:-15}
mkdir -p "$data" "$out"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# ImageMagick: the Debian package's own binary, never another convert on PATH.
im=""
for candidate in /usr/bin/convert-im6.q16 /usr/bin/magick; do
    [ -x "$candidate" ] && { im=$candidate; break; }
done
if [ -z "$im" ]; then
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
    for candidate in /usr/bin/convert-im6.q16 /usr/bin/magick; do
        [ -x "$candidate" ] && { im=$candidate; break; }
    done
fi
[ -n "$im" ] || { echo "compare_encode: ImageMagick is not available" >&2; exit 1; }

photo="$data/astronaut.png"
if [ ! -s "$photo" ]; then
    (
        cd "$data"
        rm -f python3-skimage_*.deb
        apt-get download python3-skimage >/dev/null 2>&1 || { as_root apt-get update -qq && apt-get download python3-skimage >/dev/null; }
        dpkg-deb --fsys-tarfile python3-skimage_*.deb |
            tar -xO ./usr/lib/python3/dist-packages/skimage/data/astronaut.png >"$photo"
        rm -f python3-skimage_*.deb
    )
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DROUNDCUT_TESTS=OFF >"$out/configure.log"
cmake --build "$build" --target encode_bench >"$out/build.log"

ROUNDCUT_BENCH_PHOTO="$photo" ROUNDCUT_BENCH_DIR="$out" ROUNDCUT_BENCH_DUMP="$out/cutout.rgba" \
    "$build/bench/encode_bench" --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$out/ours.json"

IM="$im" OUT="$out" RUNS="$runs" python3 - <<'PY'
import json, os, statistics, struct, subprocess, time, zlib

im, out, runs = os.environ["IM"], os.environ["OUT"], int(os.environ["RUNS"])
source = ["-size", "600x600", "-depth", "8", "rgba:" + os.path.join(out, "cutout.rgba")]
flat = ["-background", "white", "-alpha", "remove", "-alpha", "off"]
jobs = {
    "BM_WritePng": ("PNG RGBA, level 9, filter None",
                    ["-strip", "-define", "png:compression-level=9", "-define", "png:compression-filter=0",
                     "-define", "png:compression-strategy=0", "-define", "png:exclude-chunks=all"], "PNG32:im.png"),
    "BM_WriteJpeg": ("JPEG quality 100 over white",
                     flat + ["-strip", "-quality", "100", "-sampling-factor", "2x2,1x1,1x1",
                             "-define", "jpeg:optimize-coding=false"], "im.jpg"),
    "BM_WriteBmp32": ("BMP 32 bits", ["-strip", "-define", "bmp3:alpha=true"], "BMP3:im32.bmp"),
    "BM_WriteBmp24": ("BMP 24 bits over white", flat + ["-strip", "-type", "TrueColor"], "BMP3:im24.bmp"),
}

def png_filters(file):
    """The set of row filter types in a PNG's image data."""
    b, at, idat, ihdr = open(file, "rb").read(), 8, b"", b""
    while at < len(b):
        n = struct.unpack(">I", b[at:at + 4])[0]
        kind = b[at + 4:at + 8]
        if kind == b"IDAT": idat += b[at + 8:at + 8 + n]
        if kind == b"IHDR": ihdr = b[at + 8:at + 8 + n]
        at += 12 + n
    raw = zlib.decompress(idat)
    width, height = struct.unpack(">II", ihdr[:8])
    row = 1 + width * {2: 3, 6: 4}[ihdr[9]]
    return sorted(set(raw[y * row] for y in range(height)))

def median_ms(args):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([im] + args, cwd=out, check=True)
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)

ours = {}
for b in json.load(open(os.path.join(out, "ours.json")))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        ours[b["run_name"]] = (b["real_time"], b.get("bytes", 0), b.get("photo", 0))

baseline = median_ms(source + ["null:"])
photo = all(ours[name][2] for name in jobs)
print(f"picture: 600 x 600 RGBA, {'photograph' if photo else 'synthetic scene'} in the circle, outside transparent")
print(f"ImageMagick: {im}; {runs} runs each, medians; its read-only time {baseline:.1f} ms taken off")
print(f"{'job':34} {'ours ms':>9} {'IM ms':>9} {'time ratio':>11} {'ours bytes':>11} {'IM bytes':>11} {'size ratio':>11}")
for name, (label, settings, target) in jobs.items():
    ms, size, _ = ours[name]
    im_ms = max(median_ms(source + settings + [target]) - baseline, 0.001)
    im_size = os.path.getsize(os.path.join(out, target.split(":")[-1]))
    print(f"{label:34} {ms:9.2f} {im_ms:9.2f} {ms / im_ms:10.2f}x {int(size):11d} {im_size:11d} {size / im_size:10.3f}x")
for ours_file, im_file in [("ours.jpg", "im.jpg"), ("ours32.bmp", "im32.bmp"), ("ours24.bmp", "im24.bmp")]:
    same = open(os.path.join(out, ours_file), "rb").read() == open(os.path.join(out, im_file), "rb").read()
    print(f"{ours_file} and {im_file}: {'byte for byte the same' if same else 'different bytes'}")
print("PNG row filters used: ours", png_filters(os.path.join(out, "ours.png")),
      "ImageMagick", png_filters(os.path.join(out, "im.png")), "(0 = None)")
PY
