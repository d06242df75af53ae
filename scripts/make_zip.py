#!/usr/bin/env python3
"""Writes the release zip with the same bytes every time for the same inputs:
entries in the order given, each with the time SOURCE_DATE_EPOCH names (UTC),
the same attributes and deflate level.

    make_zip.py OUT.zip NAME=PATH NAME=text:PATH NAME=readme:README.md ...

text: files get Windows line ends and a UTF-8 byte-order mark; readme: is
the user's part of README.md
(the opening paragraphs up to the screenshot, the "Get it" and "Using it"
sections) as plain text.
"""
import os
import re
import sys
import time
import zipfile

README_SECTIONS = ("Get it", "Using it")


def windows_lines(text):
    """Windows line ends, and a byte-order mark: without one the Notepad of
    Windows before 10 1903 reads UTF-8 as the ANSI code page (x as A-circumflex)."""
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def plain(markdown):
    """Markdown as it reads in a text editor: no images, links as their
    text, no emphasis marks or code quotes."""
    lines = []
    for line in markdown.splitlines():
        if line.lstrip().startswith("!["):
            continue
        line = re.sub(r"\[([^\]]+)\]\([^)]+\)", r"\1", line)
        line = line.replace("**", "").replace("`", "")
        lines.append(line)
    return "\n".join(lines)


def readme_text(path):
    with open(path, encoding="utf-8") as f:
        markdown = f.read()
    parts = re.split(r"^## ", markdown, flags=re.M)
    title, intro = parts[0].split("\n", 1)
    sections = {p.split("\n", 1)[0].strip(): p.split("\n", 1)[1] for p in parts[1:]}
    missing = [s for s in README_SECTIONS if s not in sections]
    if missing:
        raise SystemExit(f"make_zip: README.md has no section {', '.join(missing)}")
    name = title.lstrip("# ").strip()
    intro = intro.split("\n![", 1)[0]  # up to the screenshot
    out = [name, "=" * len(name), "", plain(intro).strip()]
    for s in README_SECTIONS:
        out += ["", "", s, "-" * len(s), "", plain(sections[s]).strip()]
    return "\n".join(out) + "\n"


def content(entry):
    kind, _, path = entry.partition(":") if re.match(r"^(text|readme):", entry) else ("", "", entry)
    if kind == "readme":
        return windows_lines(readme_text(path))
    with open(path, "rb") as f:
        data = f.read()
    return windows_lines(data.decode("utf-8")) if kind == "text" else data


def main(argv):
    out, entries = argv[0], [a.split("=", 1) for a in argv[1:]]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    stamp = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))
    part = out + ".part"
    with zipfile.ZipFile(part, "w") as z:
        for name, entry in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the attributes below are read
            info.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            z.writestr(info, content(entry), compresslevel=9)
    os.replace(part, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
