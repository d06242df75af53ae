#!/usr/bin/env python3
"""A long session with one running roundcut.exe: round after round of crop
presses, radius and alpha changes and renders, with a load and a save every
few rounds, while the tool's live GDI objects and memory are read from
outside every 100 rounds.  Every saved file is decoded whole.

Usage (scripts/soak provides the display, Wine and the probe):
    soak.py [ROUNDS] --probe PROBE.exe [--load-every N] [--save-every N] [--settle S]

Ends with a table of the figures and exit status 0 when the tool kept running,
every file was complete, and the GDI objects and memory stayed flat after the
first 100 rounds."""
import argparse
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from PIL import Image  # noqa: E402

import driver as d  # noqa: E402
import expect  # noqa: E402

WORK = os.path.join(d.ROOT, "build", "soak")
# The radius spin's up-down arrows, at the right end of its 630..700 x 70..90.
RADIUS_UP, RADIUS_DOWN = (692, 74), (692, 86)
# Centre rows of a trackbar's thumb at the top (255) and the bottom (0).
THUMB_TOP, THUMB_BOTTOM = 123, 596
CROP_CYCLE = (d.X_PLUS, d.Y_PLUS, d.XY_PLUS, d.X_MINUS, d.Y_MINUS, d.XY_MINUS)
PICTURES = (("wide.png", (1000, 700)), ("small.jpg", (400, 300)), ("square.bmp", (600, 600)))

# Allowed growth from round 100 to the end.
GDI_SLACK = 8
MEMORY_SLACK = 24 * 1024 * 1024


def linux_pid():
    """The Linux process that runs roundcut.exe."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if args and args[0].lower().endswith(b"roundcut.exe"):
            return int(entry)
    return None


def rss(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return -1


def probe(exe):
    """gdi objects, private bytes, working set of roundcut.exe, by the probe
    running under the same wineserver."""
    out = subprocess.run(["wine", exe, "roundcut.exe"], capture_output=True, text=True, timeout=60,
                         stdin=subprocess.DEVNULL).stdout
    values = dict(item.split("=", 1) for item in out.split() if "=" in item)
    gdi = int(values.get("gdi_guiresources", "0")) or int(values.get("gdi_table", "-1"))
    # Wine answers 0 for another process's private bytes and handle count:
    # shown as unknown.
    private = int(values.get("private", "-1")) or -1
    handles = int(values.get("handles", "-1")) or -1
    return gdi, private, handles


def complete(path, kind):
    """The file decodes whole as the tool writes it: 600 x 600, RGBA PNG ending
    in IEND or RGB JPEG ending in EOI."""
    with open(path, "rb") as f:
        data = f.read()
    if kind == "png" and not data.endswith(b"IEND\xaeB`\x82"):
        return False
    if kind == "jpg" and not data.endswith(b"\xff\xd9"):
        return False
    image = Image.open(path)
    image.load()
    mode = "RGBA" if kind == "png" else "RGB"
    return image.size == (600, 600) and image.mode == mode and image.format == ("PNG" if kind == "png" else "JPEG")


def one_round(tool, r, settle):
    """One crop press, one step of the radius arrows, one trackbar dragged to
    an end and "Start", in one go: three renders.  Over four rounds the crop
    cycles through the six buttons, the radius goes up and down by one, and
    each trackbar goes to 0 and back to 255."""
    steps = []

    def click(point):
        steps.extend(["mousemove", *tool.screen(*point), "click", "1", "sleep", settle])

    click(CROP_CYCLE[r % 6])
    click(RADIUS_UP if r % 2 == 0 else RADIUS_DOWN)
    x = (d.OUTER_TRACKBAR_X if r % 4 < 2 else d.INNER_TRACKBAR_X) - 10
    start, end = (THUMB_TOP, THUMB_BOTTOM + 60) if r % 2 == 0 else (THUMB_BOTTOM, THUMB_TOP - 60)
    steps.extend(["mousemove", *tool.screen(x, start), "mousedown", "1", "sleep", 0.05,
                  "mousemove", *tool.screen(x, (start + end) // 2), "sleep", 0.05,
                  "mousemove", *tool.screen(x, end), "sleep", 0.05, "mouseup", "1", "sleep", settle])
    click(d.START)
    d.xdo(*steps)


def state_after(r):
    """Radius, outer and inner alpha after round r."""
    radius = 296 if r % 2 == 0 else 295
    return radius, 0 if r % 4 == 0 else 255, 0 if r % 4 == 2 else 255


DISCS = {}


def shows_round(path, kind, r):
    """The saved cut-out has the radius and alphas that round r left."""
    radius, outer, inner = state_after(r)
    inside = DISCS.setdefault(radius, expect.disc(radius))
    image = Image.open(path)
    if kind == "png":
        alpha = image.getchannel("A").load()
        wrong = sum(1 for y in range(600) for x in range(600) if alpha[x, y] != (inner if (x, y) in inside else outer))
    else:
        # Composited over white: alpha 0 gives white, the opaque black
        # background stays black; an opaque inside is the picture.
        px = image.load()
        points = [(2, 2), (597, 597)] + ([(299, 299), (299 + radius - 2, 299)] if inner == 0 else [])
        wrong = sum(1 for p in points if max(abs(c - (255 if (p in inside or outer == 0) else 0)) for c in px[p]) > 8)
    if wrong:
        print(f"{os.path.basename(path)}: {wrong} pixels unlike radius {radius}, alphas {outer}/{inner}", flush=True)
    return wrong == 0


def mib(value):
    return f"{value / 1048576:8.1f}" if value >= 0 else "       ?"


def count(value):
    return f"{value:5}" if value >= 0 else "    ?"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("rounds", type=int, nargs="?", default=1000)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--load-every", type=int, default=20)
    parser.add_argument("--save-every", type=int, default=20)
    parser.add_argument("--settle", type=float, default=0.08, help="pause after each click, seconds")
    args = parser.parse_args()

    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    os.makedirs(d.ARTEFACTS, exist_ok=True)
    for name, size in PICTURES:
        expect.make_photo(*size).save(os.path.join(WORK, name))

    tool = d.Tool(WORK)
    tool.start()
    pid = linux_pid()
    figures = []
    started = time.monotonic()

    def measure(rounds):
        gdi, private, handles = probe(args.probe)
        row = (rounds, (time.monotonic() - started) / 60, rss(pid), private, gdi, handles)
        figures.append(row)
        print(f"round {row[0]:5}  {row[1]:6.1f} min  RSS {mib(row[2])} MiB  private {mib(row[3])} MiB  "
              f"GDI {count(row[4])}  handles {count(row[5])}", flush=True)

    saved, broken, loads = [], [], 0
    measure(0)
    failure = None
    try:
        for r in range(args.rounds):
            if r % args.load_every == 0:
                name = PICTURES[(r // args.load_every) % len(PICTURES)][0]
                tool.click(d.LOAD)
                tool.answer_file_dialog(d.to_windows_path(os.path.join(WORK, name)))
                loads += 1
            one_round(tool, r, args.settle)
            if (r + 2) % args.save_every == 0:
                kind = "png" if (r // args.save_every) % 2 == 0 else "jpg"
                name = f"round{r + 1:05}.{kind}"
                tool.click(d.SAVE_PNG if kind == "png" else d.SAVE_JPG)
                tool.answer_file_dialog(d.to_windows_path(os.path.join(WORK, name)))
                path = os.path.join(WORK, name)
                d.wait_for(lambda: os.path.exists(path), 5)
                time.sleep(0.2)
                try:
                    ok = complete(path, kind) and shows_round(path, kind, r)
                except Exception as error:  # noqa: BLE001 - any decoder complaint means incomplete
                    ok, error_text = False, str(error)
                    print(f"{name}: {error_text}", flush=True)
                (saved if ok else broken).append(name)
            if not tool.running():
                raise RuntimeError(f"roundcut.exe ended in round {r + 1}")
            if (r + 1) % 100 == 0 or r + 1 == args.rounds:
                measure(r + 1)
        tool.screenshot("soak-end.png")
    except Exception as error:  # noqa: BLE001 - reported with the figures so far
        failure = f"{type(error).__name__}: {error}"
        d.screenshot("soak-failure.png")

    code = None
    if tool.running():
        tool.move(1000, 300)
        tool.key("alt+F4")
        code = tool.wait_exit(30)
        if code is None:
            tool.kill()

    minutes = (time.monotonic() - started) / 60
    print()
    print(f"rounds {figures[-1][0]} of {args.rounds} in {minutes:.1f} min; loads {loads}; "
          f"files saved and decoded whole {len(saved)}, incomplete {len(broken)} {broken or ''}; "
          f"exit code at close {code}")
    problems = [failure] if failure else []
    if broken:
        problems.append(f"incomplete files: {broken}")
    if code != 0:
        problems.append(f"exit code {code} at close")
    base = next((f for f in figures if f[0] >= 100), None)
    if base and len(figures) > 2:
        end = figures[-1]
        if base[4] >= 0 and end[4] - base[4] > GDI_SLACK:
            problems.append(f"GDI objects grew from {base[4]} to {end[4]}")
        for column, label in ((2, "RSS"), (3, "private bytes")):
            if base[column] >= 0 and end[column] - base[column] > MEMORY_SLACK:
                problems.append(f"{label} grew by {(end[column] - base[column]) / 1048576:.1f} MiB")
    for problem in problems:
        print("FAILED:", problem)
    print("soak: passed" if not problems else "soak: failed")
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())
