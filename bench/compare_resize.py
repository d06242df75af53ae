#!/usr/bin/env python3
"""Times our resamplers against ImageMagick on the same pictures, in the same
run, one thread each, and compares the pixels.

    bench/compare_resize.py [--runs N] [--work DIR]

Needs ImageMagick (apt-get install imagemagick); not part of the test suite.
For each job it prints our time (Google Benchmark, the picture already in
memory), ImageMagick's time for the operation alone (the whole command minus
the same command with a trivial operation, so reading the file is not
counted), and our time over theirs.  The area average must agree with
`-scale WxH!` to within 1 per byte; for the cubic filter the differences
against `-filter Mitchell -resize` are reported for information.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONVERT = os.environ.get("IM_CONVERT", "/usr/bin/convert")

# (kind, source size, destination size)
JOBS = [
    ("cubic", (4000, 3000), (600, 600)),
    ("cubic", (300, 300), (600, 600)),
    ("area", (2400, 2400), (600, 600)),
    ("area", (6000, 6000), (600, 600)),
    ("area", (300, 300), (600, 600)),
]

# Where each source is cut from the one large picture.
CROPS = {(6000, 6000): None, (4000, 3000): (0, 0), (2400, 2400): (1000, 1000), (300, 300): (2000, 2000)}


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def convert(*args):
    return [CONVERT, "-limit", "thread", "1", *args]


def make_pictures(work):
    big = os.path.join(work, "photo_6000x6000.ppm")
    if not os.path.exists(big):
        print("making a 6000 x 6000 test picture ...", flush=True)
        run(convert("-seed", "4", "-size", "6000x6000", "plasma:fractal", "-depth", "8", big))
    for (w, h), at in CROPS.items():
        path = os.path.join(work, f"photo_{w}x{h}.ppm")
        if at is not None and not os.path.exists(path):
            run(convert(big, "-crop", f"{w}x{h}+{at[0]}+{at[1]}", "+repage", path))


def build_ours():
    build = os.path.join(ROOT, "build", "bench")
    if not os.path.exists(os.path.join(build, "build.ninja")):
        run(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release", "-DROUNDCUT_TESTS=OFF"],
            stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build, "--target", "resample_bench"], stdout=subprocess.DEVNULL)
    return os.path.join(build, "bench", "resample_bench")


def job_name(kind, src, dst):
    return f"{kind}_{src[0]}x{src[1]}_{dst[0]}x{dst[1]}"


def time_ours(exe, work, runs):
    env = dict(os.environ, RESAMPLE_BENCH_DIR=work)
    out = subprocess.run([exe, "--benchmark_format=json", f"--benchmark_repetitions={runs}",
                          "--benchmark_report_aggregates_only=true"], env=env, check=True,
                         stdout=subprocess.PIPE).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        # BM_Cubic32/4000x3000_to_600x600_median -> cubic_4000x3000_600x600
        kind = "cubic" if b["run_name"].startswith("BM_Cubic32") else "area"
        sizes = b["run_name"].split("/")[1].replace("_to_", "_")
        factor = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        times[f"{kind}_{sizes}"] = b["real_time"] * factor
    return times


def wall(cmd, runs):
    samples = []
    for _ in range(runs):
        start = time.perf_counter()
        run(cmd, stdout=subprocess.DEVNULL)
        samples.append((time.perf_counter() - start) * 1000)
    return statistics.median(samples)


def im_operation(kind, dst):
    if kind == "area":
        return ["-scale", f"{dst[0]}x{dst[1]}!"]
    return ["-alpha", "set", "-filter", "Mitchell", "-resize", f"{dst[0]}x{dst[1]}!"]


def time_theirs(work, runs):
    times = {}
    for kind, src, dst in JOBS:
        name = job_name(kind, src, dst)
        photo = os.path.join(work, f"photo_{src[0]}x{src[1]}.ppm")
        pre = ["-alpha", "set"] if kind == "cubic" else []
        total = wall(convert(photo, *im_operation(kind, dst), "null:"), runs)
        base = wall(convert(photo, *pre, "-crop", "1x1+0+0", "null:"), runs)
        # 16 bits per sample, so that ImageMagick's own rounding to 8 bits
        # (it truncates) does not count as a difference.
        run(convert(photo, *im_operation(kind, dst), "-alpha", "off", "-depth", "16",
                    os.path.join(work, f"im_{name}.ppm")))
        times[name] = (max(total - base, 0.001), total)
    return times


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    assert fields[0] == b"P6" and fields[3] in (b"255", b"65535"), path
    pixels = data[pos + 1:]
    if fields[3] == b"65535":
        # Nearest 8-bit value of each big-endian 16-bit sample.
        pixels = bytes((((pixels[i] << 8) | pixels[i + 1]) * 255 + 32767) // 65535 for i in range(0, len(pixels), 2))
    return int(fields[1]), int(fields[2]), pixels


def differences(a, b):
    wa, ha, pa = read_ppm(a)
    wb, hb, pb = read_ppm(b)
    if (wa, ha) != (wb, hb) or len(pa) != len(pb):
        return None
    hist = {}
    for x, y in zip(pa, pb):
        d = abs(x - y)
        hist[d] = hist.get(d, 0) + 1
    total = sum(d * n for d, n in hist.items())
    return max(hist), total / len(pa), sum(n for d, n in hist.items() if d > 1)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default=os.path.join(ROOT, "build", "resize-compare"))
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    make_pictures(args.work)
    exe = build_ours()
    ours = time_ours(exe, args.work, args.runs)
    theirs = time_theirs(args.work, args.runs)

    ok = True
    print(f"{'job':32} {'ours ms':>9} {'IM op ms':>9} {'IM cmd ms':>10} {'ours/IM':>8}   pixels vs IM")
    for kind, src, dst in JOBS:
        name = job_name(kind, src, dst)
        op, total = theirs[name]
        diff = differences(os.path.join(args.work, f"ours_{name}.ppm"), os.path.join(args.work, f"im_{name}.ppm"))
        if diff is None:
            note, ok = "size mismatch", False
        else:
            worst, mean, over = diff
            note = f"max {worst}, mean {mean:.3f}, {over} bytes off by more than 1"
            if kind == "area" and worst > 1:
                ok = False
                note += "  FAIL"
        print(f"{name:32} {ours[name]:9.2f} {op:9.2f} {total:10.2f} {ours[name] / op:8.2f}   {note}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
