"""`make demo`: run the example suite against the demo shop and point at its report."""

import argparse
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
            reports = terminalreporter.stats.get(outcome, [])
            if reports:
                self.counts[outcome] = len(reports)


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--report", type=Path, default=REPORT, help="where the HTML report goes")
    known, pytest_args = options.parse_known_args()
    report = known.report.resolve()
    os.chdir(HERE)
    summary = _Summary()
    started = time.monotonic()
    # One argument, so pytest does not take the report path for a test path.
    code = pytest.main(["-q", "-p", "no:cacheprovider", f"--kelvo-report={report}", *pytest_args], plugins=[summary])
    counts = ", ".join(f"{n} {outcome}" for outcome, n in summary.counts.items()) or "no tests"
    print(f"\nReport: {report}  ({counts} in {time.monotonic() - started:.1f}s)")
    return int(code)


if __name__ == "__main__":
    sys.exit(main())
