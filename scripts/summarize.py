#!/usr/bin/env python3
"""Adds up the test results of both halves, the end-to-end tests and the
release package's checks, and prints "N passed, M failed".

Google Test writes one XML report per test program; a program that crashed
before writing its report is counted from ctest's own JUnit report as one
failure, so a crash can never pass as "no tests".
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    root = ET.parse(path).getroot()
    tests = int(root.get("tests", 0))
    failed = int(root.get("failures", 0)) + int(root.get("errors", 0))
    skipped = int(root.get("skipped", 0)) + int(root.get("disabled", 0))
    return tests - failed - skipped, failed, skipped


def main():
    reports, halves_failed = sys.argv[1], int(sys.argv[2])
    passed = failed = skipped = 0
    for half in ("native", "windows"):
        reported = set()
        for path in glob.glob(os.path.join(reports, half, "*.xml")):
            try:
                p, f, s = gtest_counts(path)
            except ET.ParseError:
                p, f, s = 0, 1, 0
            reported.add(os.path.splitext(os.path.basename(path))[0])
            passed, failed, skipped = passed + p, failed + f, skipped + s
            print(f"  {half:8} {os.path.basename(path):28} {p} passed, {f} failed")
        ctest = os.path.join(reports, f"{half}-ctest.xml")
        if os.path.exists(ctest):
            for case in ET.parse(ctest).getroot().iter("testcase"):
                name = case.get("name")
                bad = case.get("status") == "fail" or case.find("failure") is not None
                if bad and name not in reported:
                    print(f"  {half:8} {name:28} crashed or timed out before reporting")
                    failed += 1
    # The end-to-end tests and the release package's checks.
    for name in ("e2e", "package"):
        path = os.path.join(reports, f"{name}.xml")
        if os.path.exists(path):
            try:
                p, f, s = gtest_counts(path)
            except ET.ParseError:
                p, f, s = 0, 1, 0
            print(f"  {name:8} {name:28} {p} passed, {f} failed")
            passed, failed, skipped = passed + p, failed + f, skipped + s
    failed += halves_failed
    line = f"{passed} passed, {failed} failed"
    if skipped:
        line += f", {skipped} skipped"
    print(line)
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
