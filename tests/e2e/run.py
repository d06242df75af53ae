#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py) against the built
roundcut.exe and writes a JUnit report.

Expects a display with Wine ready on it (scripts/with-wine provides both).
Exit status 0 only when every test passed.
"""
import argparse
import os
import sys
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))


def ensure_pil():
    """The tests decode with Debian's python3-pil; another python3 found
    first on PATH (a pyenv shim, say) may not have it."""
    try:
        import PIL  # noqa: F401
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.realpath(sys.executable) != os.path.realpath(system) and os.path.exists(system):
            os.execv(system, [system, *sys.argv])
        raise


class Recorder(unittest.TextTestResult):
    """Keeps each test's outcome and duration for the report."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []
        self._started = {}

    def startTest(self, test):
        self._started[test.id()] = time.monotonic()
        super().startTest(test)

    def _record(self, test, outcome, detail=""):
        took = time.monotonic() - self._started.get(test.id(), time.monotonic())
        self.cases.append((test.id(), outcome, detail, took))

    def addSuccess(self, test):
        super().addSuccess(test)
        self._record(test, "passed")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._record(test, "failure", self._exc_info_to_string(err, test))

    def addError(self, test, err):
        super().addError(test, err)
        # An error in a class fixture arrives with a placeholder, not a test.
        self.cases.append((getattr(test, "description", None) or test.id(), "error",
                           self._exc_info_to_string(err, test), 0.0))

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._record(test, "skipped", reason)

    def addExpectedFailure(self, test, err):
        super().addExpectedFailure(test, err)
        self._record(test, "passed")

    def addUnexpectedSuccess(self, test):
        super().addUnexpectedSuccess(test)
        self._record(test, "failure", "unexpected success")


def write_junit(path, cases, took):
    counts = {k: sum(1 for c in cases if c[1] == k) for k in ("failure", "error", "skipped")}
    root = ET.Element("testsuites", name="e2e", tests=str(len(cases)), failures=str(counts["failure"]),
                      errors=str(counts["error"]), skipped=str(counts["skipped"]), time=f"{took:.3f}")
    suite = ET.SubElement(root, "testsuite", name="e2e", tests=str(len(cases)),
                          failures=str(counts["failure"]), errors=str(counts["error"]),
                          skipped=str(counts["skipped"]), time=f"{took:.3f}")
    for name, outcome, detail, seconds in cases:
        classname, _, short = name.rpartition(".")
        case = ET.SubElement(suite, "testcase", classname=classname, name=short or name, time=f"{seconds:.3f}")
        if outcome in ("failure", "error"):
            ET.SubElement(case, outcome, message=detail.strip().splitlines()[-1] if detail.strip() else "").text = detail
        elif outcome == "skipped":
            ET.SubElement(case, "skipped", message=detail)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)


def main():
    ensure_pil()
    parser = argparse.ArgumentParser()
    parser.add_argument("--junit", help="where to write the JUnit report")
    parser.add_argument("pattern", nargs="?", default="test_*.py")
    args = parser.parse_args()

    sys.path.insert(0, HERE)
    suite = unittest.defaultTestLoader.discover(HERE, pattern=args.pattern, top_level_dir=HERE)
    runner = unittest.TextTestRunner(resultclass=Recorder, verbosity=2, stream=sys.stdout)
    started = time.monotonic()
    result = runner.run(suite)
    took = time.monotonic() - started
    if args.junit:
        write_junit(args.junit, result.cases, took)
    ok = result.wasSuccessful() and result.testsRun > 0
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
