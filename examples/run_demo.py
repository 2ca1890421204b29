"""`make demo`: run the example suite against the demo shop and point at its report."""

import os
import sys
import time
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
REPORT = HERE.parent / "test_report" / "report.html"
OUTCOMES = ("passed", "failed", "error", "xfailed", "xpassed", "skipped")


class _Summary:
    def __init__(self):
        self.counts = {}

    def pytest_terminal_summary(self, terminalreporter):
        for outcome in OUTCOMES:
            reports = [r for r in terminalreporter.stats.get(outcome, []) if getattr(r, "when", "call") != "teardown" or outcome == "error"]
            if reports:
                self.counts[outcome] = len(reports)


def main():
    os.chdir(HERE)
    summary = _Summary()
    started = time.monotonic()
    code = pytest.main(["-q", "-p", "no:cacheprovider", "--kelvo-report", str(REPORT), *sys.argv[1:]],
                       plugins=[summary])
    counts = ", ".join(f"{n} {outcome}" for outcome, n in summary.counts.items()) or "no tests"
    print(f"\nReport: {REPORT}  ({counts} in {time.monotonic() - started:.1f}s)")
    return int(code)


if __name__ == "__main__":
    sys.exit(main())
