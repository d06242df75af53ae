#!/usr/bin/python3
"""Our 8-bit palette PNG against pngnq's, on three photographs.

For astronaut.png, chelsea.png and coffee.png (shipped in Debian's
python3-skimage, which is downloaded and unpacked into a temporary folder,
never installed): PSNR of each tool's 256-colour PNG against the source, and
the time of the whole file-to-file job (median of several runs; pngnq as a
process, ours as bench/palette_bench in a release build without sanitizers).

Targets: our PSNR at most 0.5 dB below pngnq's; our time at most 1.5 times
pngnq's.  Needs pngnq (apt-get install pngnq) and python3-pil.

Usage: bench/palette_compare.py [runs]
"""
import glob
import json
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PHOTOS = ["astronaut", "chelsea", "coffee"]


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def fetch_photographs(folder):
    work = os.path.join(folder, "deb")
    os.makedirs(work)
    os.chmod(folder, 0o755)
    os.chmod(work, 0o777)  # apt-get download fetches as its own unprivileged user
    run(["apt-get", "download", "python3-skimage"], cwd=work, stdout=subprocess.DEVNULL)
    deb = glob.glob(os.path.join(work, "python3-skimage_*.deb"))[0]
    run(["dpkg", "-x", deb, os.path.join(work, "x")])
    data = glob.glob(os.path.join(work, "x", "usr", "lib", "python3*", "dist-packages", "skimage", "data"))[0]
    photos = os.path.join(folder, "photos")
    os.makedirs(photos)
    for name in PHOTOS:
        shutil.copy(os.path.join(data, name + ".png"), photos)
    shutil.rmtree(work)
    return photos


def psnr(source, result):
    a = Image.open(source).convert("RGB").tobytes()
    b = Image.open(result).convert("RGB").tobytes()
    se = sum((x - y) * (x - y) for x, y in zip(a, b))
    return 99.0 if se == 0 else 10 * math.log10(255 * 255 / (se / len(a)))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    if not shutil.which("pngnq"):
        sys.exit("pngnq is missing: apt-get install pngnq")
    build = os.path.join(ROOT, "build", "bench-release")
    run(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DROUNDCUT_TESTS=OFF", "-DROUNDCUT_SANITIZE=OFF"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build, "--target", "palette_bench"], stdout=subprocess.DEVNULL)

    with tempfile.TemporaryDirectory() as tmp:
        photos = fetch_photographs(tmp)
        out = os.path.join(tmp, "out")
        os.makedirs(out)

        peer_ms = {}
        for name in PHOTOS:
            src = os.path.join(photos, name + ".png")
            times = []
            for _ in range(runs + 1):  # the first run warms the caches
                start = time.perf_counter()
                run(["pngnq", "-f", "-n", "256", "-d", out, src], stderr=subprocess.DEVNULL)
                times.append((time.perf_counter() - start) * 1000)
            peer_ms[name] = statistics.median(times[1:])

        env = dict(os.environ, ROUNDCUT_PHOTOS=photos, ROUNDCUT_PALETTE_OUT=out)
        report = run([os.path.join(build, "bench", "palette_bench"), "--benchmark_filter=photograph",
                      "--benchmark_repetitions=%d" % runs, "--benchmark_format=json"],
                     env=env, stdout=subprocess.PIPE).stdout
        ours_ms = {}
        for b in json.loads(report)["benchmarks"]:
            if b.get("aggregate_name") == "median":
                ours_ms[b["run_name"].split("/")[-1]] = b["real_time"]

        print("%-10s %10s %10s %8s %11s %11s %7s" %
              ("photo", "PSNR ours", "PSNR pngnq", "dB", "ms ours", "ms pngnq", "ratio"))
        ok = True
        for name in PHOTOS:
            src = os.path.join(photos, name + ".png")
            p_ours = psnr(src, os.path.join(out, name + "-ours8.png"))
            p_peer = psnr(src, os.path.join(out, name + "-nq8.png"))
            ratio = ours_ms[name] / peer_ms[name]
            ok = ok and p_ours >= p_peer - 0.5 and ratio <= 1.5
            print("%-10s %10.2f %10.2f %+8.2f %11.1f %11.1f %7.2f" %
                  (name, p_ours, p_peer, p_ours - p_peer, ours_ms[name], peer_ms[name], ratio))
        print("targets (PSNR >= pngnq - 0.5 dB, time <= 1.5 x pngnq):", "met" if ok else "NOT met")
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
