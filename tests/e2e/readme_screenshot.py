#!/usr/bin/env python3
"""Makes the README's picture of the tool: starts roundcut.exe, loads a
photograph, sets a radius, both alphas and a background colour, renders and
takes a picture of the window.

    scripts/with-wine /usr/bin/python3 tests/e2e/readme_screenshot.py PHOTO [OUT]

OUT defaults to docs/screenshot.png.  The committed picture shows the
astronaut photograph that Debian's python3-skimage package ships (NASA,
public domain): skimage/data/astronaut.png.
"""
import os
import shutil
import sys

import driver as d

WORK = os.path.join(d.ROOT, "build", "screenshot-work")


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    photo = os.path.abspath(sys.argv[1])
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(d.ROOT, "docs", "screenshot.png"))
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    os.makedirs(d.ARTEFACTS, exist_ok=True)
    source = os.path.join(WORK, "photo" + os.path.splitext(photo)[1])
    shutil.copyfile(photo, source)

    tool = d.Tool(WORK)
    tool.start()
    try:
        tool.click(d.LOAD)
        tool.answer_file_dialog(source)
        tool.type_into_spin(d.RADIUS_EDIT, 280)
        # Outer alpha about a half, dragged; inner alpha left at 255.
        tool.drag_thumb(d.OUTER_TRACKBAR_X, (d.TRACKBAR_TOP + d.TRACKBAR_BOTTOM) // 2)
        tool.choose_colour(3, 4)
        tool.click(d.START)
        tool.move(1320, 675)  # the pointer out of the way
        os.makedirs(os.path.dirname(out), exist_ok=True)
        tool.screenshot().save(out, optimize=True)
        print(f"wrote {out}")
        tool.key("alt+F4")
        tool.wait_exit(20)
    finally:
        tool.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
