#!/usr/bin/env python3
"""Checks the release zip that scripts/package writes: its entries, the
exe's header, version record, manifest and icons read back from the PE file
by an independent reader (below, standard library only), the notices, and
that a second build gave the same bytes.  Writes a JUnit report with
--junit.

    check_package.py ZIP --first FIRST_ZIP --notices GENERATED_NOTICES [--maps LINK_MAP...] [--junit FILE]
"""
import argparse
import io
import os
import re
import struct
import sys
import time
import traceback
import xml.etree.ElementTree as ET
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ENTRIES = ["roundcut.exe", "roundcut-cli.exe", "libheif.dll", "libde265.dll", "README.txt", "LICENSE.txt",
           "THIRD_PARTY_NOTICES.txt", "BUILDINFO.txt"]
# The DLLs beside the exe: the notices name each one's source package, whose
# upstream version the DLL carries as its version text.
DLLS = {"libheif.dll": "libheif", "libde265.dll": "libde265"}
ICON_SIZES = [16, 24, 32, 48, 256]
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"project\(roundcut VERSION (\d+)\.(\d+)\.(\d+)", f.read())
    return tuple(int(x) for x in m.groups())


def git(*args):
    import subprocess
    return subprocess.run(["git", "-C", ROOT, *args], capture_output=True, text=True, check=True).stdout.strip()


# --- PE reading ----------------------------------------------------------------

class PeFile:
    def __init__(self, data):
        self.data = data
        assert data[:2] == b"MZ", "no MZ header"
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "no PE signature"
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbols, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        assert struct.unpack_from("<H", data, opt)[0] == 0x20B, "not a PE32+ image"
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        directories = struct.unpack_from("<I", data, opt + 108)[0]
        self.resource_rva = struct.unpack_from("<I", data, opt + 112 + 8 * 2)[0] if directories > 2 else 0
        self.sections = []
        for i in range(sections):
            name, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, opt + optional_size + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(vsize, raw_size), raw))

    def at(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise AssertionError(f"RVA {rva:#x} lies in no section")

    def resources(self):
        """{(type, id): data} of the resource tree's first language each."""
        assert self.resource_rva, "no resource directory"
        base = self.at(self.resource_rva)

        def entries(offset):
            named, ids = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                yield name, target

        found = {}
        for rtype, t in entries(0):
            for rid, r in entries(t & 0x7FFFFFFF):
                for _, leaf in entries(r & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    found.setdefault((rtype, rid), self.data[self.at(rva):self.at(rva) + size])
        return found


def version_blocks(data, offset=0):
    """One VS_VERSIONINFO-style block: (key, value bytes, value type, children)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    pos = offset + 6
    key_end = pos
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos:key_end].decode("utf-16-le")
    pos = (key_end + 2 + 3) & ~3
    size = value_length * 2 if value_type == 1 else value_length
    value = data[pos:pos + size]
    pos = (pos + size + 3) & ~3
    children = []
    while pos < end:
        child = version_blocks(data, pos)
        children.append(child)
        pos = (pos + struct.unpack_from("<H", data, pos)[0] + 3) & ~3
    return key, value, value_type, children


def version_record(data):
    key, value, _, children = version_blocks(data)
    assert key == "VS_VERSION_INFO", key
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", value)
    assert signature == 0xFEEF04BD, "no VS_FIXEDFILEINFO"

    def quad(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    strings = {}
    for ckey, _, _, tables in children:
        if ckey == "StringFileInfo":
            for _, _, _, items in tables:
                for skey, svalue, _, _ in items:
                    strings[skey] = svalue.decode("utf-16-le").split("\0")[0]
    return quad(file_ms, file_ls), quad(product_ms, product_ls), strings


def icon_file_entries(data):
    """(width, bit count, data) of each entry of an .ico file."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    out = []
    for i in range(count):
        w, _, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        out.append((w or 256, bits, data[offset:offset + size]))
    return out


def entry_image_size(blob):
    """(width, height) of an icon image: a PNG's IHDR or a DIB's header (half its height)."""
    if blob[:8] == b"\x89PNG\r\n\x1a\n":
        return struct.unpack_from(">II", blob, 16)
    header, width, height = struct.unpack_from("<Iii", blob, 0)
    assert header == 40, "DIB without BITMAPINFOHEADER"
    return width, height // 2


# --- the checks ----------------------------------------------------------------

class Checks:
    def __init__(self, zip_path, first_path, notices_path, maps=()):
        self.zip_path, self.first_path, self.notices_path, self.maps = zip_path, first_path, notices_path, maps
        with open(zip_path, "rb") as f:
            self.zip_bytes = f.read()
        self.zip = zipfile.ZipFile(io.BytesIO(self.zip_bytes))
        self.exe = PeFile(self.zip.read("roundcut.exe"))

    def test_two_builds_give_the_same_bytes(self):
        with open(self.first_path, "rb") as f:
            first = f.read()
        assert first == self.zip_bytes, "the second build's zip differs from the first"

    def test_zip_entries_names_order_and_times(self):
        infos = self.zip.infolist()
        assert [i.filename for i in infos] == ENTRIES, [i.filename for i in infos]
        assert len({i.date_time for i in infos}) == 1, "entries with different times"
        version = ".".join(map(str, project_version()))
        dirty = "-dirty" if git("status", "--porcelain", "--untracked-files=no") else ""
        assert os.path.basename(self.zip_path) == f"roundcut-{version}{dirty}-win64.zip", self.zip_path
        for name in [n for n in ENTRIES if n.endswith(".txt")]:
            data = self.zip.read(name)
            assert data.startswith(b"\xef\xbb\xbf"), f"{name}: no UTF-8 byte-order mark"
            text = data.decode("utf-8-sig")
            assert "\r\n" in text and "\n" not in text.replace("\r\n", ""), f"{name}: not Windows line ends"
        readme = self.zip.read("README.txt").decode("utf-8-sig")
        for words in ("Get it", "Save PNG", "Load", "Radius"):
            assert words in readme, f"README.txt lacks {words!r}"
        assert "![" not in readme and "**" not in readme, "README.txt keeps Markdown marks"
        assert self.zip.read("LICENSE.txt").decode("utf-8-sig").startswith("MIT License"), "LICENSE.txt is not the MIT licence"

    def test_buildinfo_names_the_commit_and_sums_name_the_zip(self):
        info = self.zip.read("BUILDINFO.txt").decode("utf-8-sig").splitlines()
        assert f"commit {git('rev-parse', 'HEAD')}" in " ".join(info), info
        for word in ("compiler", "linker", "library libpng1.6", "library libjpeg-turbo"):
            assert any(line.startswith(word) for line in info), f"BUILDINFO.txt lacks {word!r}"
        import hashlib
        with open(os.path.join(os.path.dirname(self.zip_path), "SHA256SUMS"), encoding="utf-8") as f:
            sums = f.read().split()
        assert sums == [hashlib.sha256(self.zip_bytes).hexdigest(), os.path.basename(self.zip_path)], sums

    def test_exe_header_stripped_no_timestamp(self):
        assert self.exe.machine == 0x8664, "not x86-64"
        assert self.exe.subsystem == 2, "not a GUI program"
        cli = PeFile(self.zip.read("roundcut-cli.exe"))
        assert cli.machine == 0x8664 and cli.subsystem == 3, "roundcut-cli.exe is not an x86-64 console program"
        assert self.exe.timestamp == 0, f"link time {self.exe.timestamp} in the header"
        assert self.exe.symbol_table == 0 and self.exe.symbols == 0, "symbol table present"
        names = [s[0] for s in self.exe.sections]
        assert not any(n.startswith((".debug", "/")) for n in names), f"debug sections: {names}"

    def test_version_record(self):
        file_version, product_version, strings = version_record(self.exe.resources()[(RT_VERSION, 1)])
        expected = project_version() + (0,)
        assert file_version == expected and product_version == expected, (file_version, product_version)
        text = ".".join(map(str, project_version()))
        assert strings.get("FileVersion") == text and strings.get("ProductVersion") == text, strings
        assert strings.get("ProductName") == "roundcut", strings
        assert strings.get("OriginalFilename") == "roundcut.exe", strings
        assert strings.get("FileDescription") and "Copyright" in strings.get("LegalCopyright", ""), strings

    def test_manifest(self):
        ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "ws": "http://schemas.microsoft.com/SMI/2019/WindowsSettings",
              "ws05": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
              "ws16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
              "c": "urn:schemas-microsoft-com:compatibility.v1"}
        # Windows 7, 8, 8.1 and 10/11, in both programs.
        systems = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
        cli = PeFile(self.zip.read("roundcut-cli.exe"))
        for name, pe in (("roundcut.exe", self.exe), ("roundcut-cli.exe", cli)):
            listed = {e.get("Id") for e in ET.fromstring(pe.resources()[(RT_MANIFEST, 1)].decode("utf-8"))
                      .iterfind("c:compatibility/c:application/c:supportedOS", ns)}
            assert listed == systems, f"{name}: supportedOS {sorted(listed)}"
        root = ET.fromstring(self.exe.resources()[(RT_MANIFEST, 1)].decode("utf-8"))
        settings = "v3:application/v3:windowsSettings/"
        aware = root.find(settings + "ws16:dpiAwareness", ns)
        assert aware is not None and aware.text.replace(" ", "").split(",")[0] == "PerMonitorV2", "no per-monitor v2"
        legacy = root.find(settings + "ws05:dpiAware", ns)
        assert legacy is not None and legacy.text == "true/pm", "no per-monitor form for older Windows"
        identity = root.find("v1:assemblyIdentity", ns)
        assert identity.get("version") == ".".join(map(str, project_version() + (0,))), identity.attrib
        page = root.find("v3:application/v3:windowsSettings/ws:activeCodePage", ns)
        assert page is not None and page.text == "UTF-8", "no UTF-8 active code page"
        controls = [a for a in root.iterfind("v1:dependency/v1:dependentAssembly/v1:assemblyIdentity", ns)
                    if a.get("name") == "Microsoft.Windows.Common-Controls"]
        assert controls and controls[0].get("version") == "6.0.0.0", "no common controls 6 dependency"

    def test_icon_resource_one_sizes(self):
        resources = self.exe.resources()
        group = resources[(RT_GROUP_ICON, 1)]
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        assert kind == 1
        sizes, images = [], {}
        for i in range(count):
            w, h, _, _, _, bits, _, rid = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            blob = resources[(RT_ICON, rid)]
            assert entry_image_size(blob) == (w or 256, h or 256), f"entry {i}: header and image disagree"
            assert bits == 32, f"entry {i}: {bits} bits"
            sizes.append(w or 256)
            images[w or 256] = blob
        assert sorted(sizes) == ICON_SIZES, sizes
        assert images[256][:4] == b"\x89PNG", "the 256-pixel entry is not PNG"
        assert all(images[s][:4] == b"\x28\0\0\0" for s in ICON_SIZES[:-1]), "small entries are not DIBs"
        with open(os.path.join(ROOT, "app", "shell", "roundcut.ico"), "rb") as f:
            committed = {w: blob for w, _, blob in icon_file_entries(f.read())}
        assert committed == images, "the exe's icons are not app/shell/roundcut.ico's"

    def test_every_linked_archive_has_its_notice(self):
        notices = self.zip.read("THIRD_PARTY_NOTICES.txt").decode("utf-8-sig").replace("\r\n", "\n")
        headings = re.findall(r"^=+\n\d+\. (.+)\n=+$", notices, re.M)
        assert self.maps, "no link maps given"
        for path in self.maps:
            with open(path, encoding="utf-8", errors="replace") as f:
                archives = linked_archives(f.read())
            assert any("libpng16.a" in a for a in archives), f"{path}: no archive list read"
            for archive in archives:
                heading = notices_for(archive)
                assert heading != "?", f"{archive} is linked but has no notices section"
                assert heading is None or any(h.startswith(heading) for h in headings), \
                    f"{archive} is linked but the notices have no {heading!r} section"

    def test_dlls_self_contained_and_of_the_noticed_versions(self):
        notices = self.zip.read("THIRD_PARTY_NOTICES.txt").decode("utf-8-sig").replace("\r\n", "\n")
        for name, package in DLLS.items():
            data = self.zip.read(name)
            pe = PeFile(data)
            assert pe.machine == 0x8664 and pe.characteristics & 0x2000, f"{name} is not an x86-64 DLL"
            lowered = data.lower()
            for runtime in (b"libwinpthread-1.dll", b"libstdc++-6.dll", b"libgcc_s_seh-1.dll"):
                assert runtime not in lowered, f"{name} needs {runtime.decode()}"
            m = re.search(rf"^\d+\. {package} (\S+) \(Debian source package {package} (\S+)\), {name}$", notices, re.M)
            assert m, f"the notices name no source package for {name}"
            assert m.group(1).encode() in data, f"{name} is not version {m.group(1)}"

    def test_notices_hold_each_licence_and_are_current(self):
        zipped = self.zip.read("THIRD_PARTY_NOTICES.txt").decode("utf-8-sig").replace("\r\n", "\n")
        marks = {
            "libjpeg-turbo": "libjpeg-turbo Licenses",
            "IJG notice": "based in part on the work of the Independent JPEG Group",
            "IJG legal issues": "The authors make NO WARRANTY or representation",
            "libpng": "PNG Reference Library License version 2",
            "zlib": "Jean-loup Gailly and Mark Adler",
            "MinGW-w64 runtime": "License: ZPL-2.1",
            "winpthreads": "mingw-w64-libraries/winpthreads/*",
            "GCC runtime exception": "GCC RUNTIME LIBRARY EXCEPTION",
            "libstdc++": "libstdc++-v3",
            "libwebp": "Copyright (c) 2010, Google Inc.",
            "lcms2": "Little CMS",
            "dav1d": "VideoLAN and dav1d authors",
            "LGPL": "GNU LESSER GENERAL PUBLIC LICENSE",
        }
        missing = [k for k, m in marks.items() if m not in zipped]
        assert not missing, f"notices lack {missing}"
        with open(self.notices_path, encoding="utf-8") as f:
            generated = f.read()
        assert zipped == generated, "the zip's notices are not freshly generated"
        with open(os.path.join(ROOT, "THIRD_PARTY_NOTICES.txt"), encoding="utf-8") as f:
            assert f.read() == generated, "THIRD_PARTY_NOTICES.txt is stale: run scripts/make-notices and commit it"
        assert "/usr/share/" not in zipped, "the notices point to a path on the build machine instead of a text"
        import subprocess
        stale = subprocess.run([os.path.join(ROOT, "scripts", "make-notices"), "--check"], capture_output=True, text=True)
        assert stale.returncode == 0, stale.stderr.strip()  # the About box's list, made with the notices


# Where a linked archive's licence is in the notices: the start of its
# section's heading, by the archive's folder or name.
ARCHIVE_NOTICES = [
    (r"/usr/lib/gcc/x86_64-w64-mingw32/", "GCC runtime libraries"),
    (r"/libz\.a$", "zlib"),
    (r"/usr/x86_64-w64-mingw32/lib/", "MinGW-w64 runtime"),
    (r"/\.deps/mingw/lib/libjpeg\.a$", "libjpeg-turbo"),
    (r"/\.deps/mingw/lib/libpng16\.a$", "libpng"),
    (r"/\.deps/mingw/lib/lib(webp|webpdemux|webpmux|sharpyuv)\.a$", "libwebp"),
    (r"/\.deps/mingw/lib/liblcms2\.a$", "Little CMS"),
    (r"/librc_detect\.a$", "Face detection cascades"),
]


def linked_archives(map_text):
    """The archives the link took members from: the first section of a GNU ld map."""
    part = map_text.split("Archive member included", 1)[-1]
    part = re.split(r"^(Discarded input sections|Memory Configuration|Allocating common symbols)", part, 1, re.M)[0]
    return sorted({os.path.normpath(a) for a in re.findall(r"^(\S+\.a)\(", part, re.M)})


def notices_for(archive):
    """The heading the archive's licence is under; None for our own
    archives (the build folder's, named relative to it); "?" when unknown."""
    for pattern, heading in ARCHIVE_NOTICES:
        if re.search(pattern, archive):
            return heading
    return "?" if os.path.isabs(archive) else None


def write_junit(path, results, took):
    failures = sum(1 for _, ok, _ in results if not ok)
    root = ET.Element("testsuites", name="package", tests=str(len(results)), failures=str(failures),
                      errors="0", time=f"{took:.3f}")
    suite = ET.SubElement(root, "testsuite", name="package", tests=str(len(results)), failures=str(failures),
                          errors="0")
    for name, ok, detail in results:
        case = ET.SubElement(suite, "testcase", classname="package", name=name)
        if not ok:
            ET.SubElement(case, "failure", message=detail.strip().splitlines()[-1]).text = detail
    ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("zip")
    parser.add_argument("--first", required=True)
    parser.add_argument("--notices", required=True)
    parser.add_argument("--maps", nargs="*", default=[])
    parser.add_argument("--junit")
    args = parser.parse_args()
    start = time.time()
    results = []
    try:
        checks = Checks(args.zip, args.first, args.notices, args.maps)
        tests = [n for n in dir(checks) if n.startswith("test_")]
    except Exception:
        checks, tests = None, []
        results.append(("open_zip_and_exe", False, traceback.format_exc()))
    for name in tests:
        try:
            getattr(checks, name)()
            results.append((name[5:], True, ""))
        except Exception:
            results.append((name[5:], False, traceback.format_exc()))
    for name, ok, detail in results:
        print(f"  {'ok  ' if ok else 'FAIL'} {name}")
        if not ok:
            print("       " + detail.strip().splitlines()[-1])
    passed = sum(1 for _, ok, _ in results if ok)
    print(f"package: {passed} passed, {len(results) - passed} failed")
    if args.junit:
        write_junit(args.junit, results, time.time() - start)
    return 0 if passed == len(results) else 1


if __name__ == "__main__":
    sys.exit(main())
