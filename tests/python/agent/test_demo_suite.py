"""`make demo` end to end: the example suite passes and its report shows every test's steps."""

import re
import subprocess
import sys
from pathlib import Path

RUN_DEMO = Path(__file__).resolve().parents[3] / "examples" / "run_demo.py"


def test_demo_suite_passes_and_reports_every_step(tmp_path):
    report = tmp_path / "report.html"
    run = subprocess.run(
        [sys.executable, str(RUN_DEMO), "--report", str(report)], capture_output=True, text=True, timeout=600
    )
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    summary = run.stdout.strip().splitlines()[-1]
    assert re.fullmatch(rf"Report: {re.escape(str(report))}  \(\d+ passed, 1 xfailed in [\d.]+s\)", summary)
    html = report.read_text(encoding="utf-8")
    tests = html.count("class='test-row'") + html.count('class="test-row"')
    steps = html.count("id='steps-") + html.count('id="steps-')
    assert tests > 10 and steps == tests
    assert html.count("data:image/png;base64,") == 1  # the expected failure's screenshot
