"""Faults a step can meet on its way: the page navigates or reloads under it, the page never
stops changing, the browser dies. Each either completes or fails with a message that says what
happened, and the run goes on."""

import pytest


@pytest.mark.parametrize(
    "page, steps, check, why",
    [
        (
            "reloads_once.html",
            ["click Save"],
            ("#done", "Saved at visit 2"),
            "Save is enabled only after the reload that lands during the step",
        ),
        (
            "moves_on.html",
            ["type Ada into Name", "click Continue"],
            ("#out", "Hello Ada"),
            "the elements exist only on the page the first one moves on to",
        ),
        (
            "restless.html",
            ["click Pause feed"],
            ("#out", "Paused"),
            "rows change every few milliseconds; the button does not",
        ),
    ],
    ids=["reload", "redirect", "restless"],
)
def test_a_step_completes_on_a_page_that_changes_under_it(agent_on, page, steps, check, why):
    agent = agent_on(page, timeout_ms=5000)
    agent.run_all(steps)
    agent.page.wait_for_function(
        "([s, t]) => document.querySelector(s)?.textContent === t", arg=list(check), timeout=3000
    )
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why


def test_a_check_on_a_restless_page_passes_within_the_step_timeout(agent_on):
    agent = agent_on("restless.html", timeout_ms=3000)
    agent.run("verify text Pause feed is visible")  # a timeout would fail the step
    assert agent._steps[-1]["status"] == "passed"


PAGE = "<button onclick=\"this.textContent = 'Clicked'\">Go</button>"
KILLED_BROWSER_SUITE = '''
import os
import signal


def _browser_processes():
    """Chromium processes started under this test process (its Playwright driver's children)."""
    parents = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as stat:
                    parents[int(name)] = int(stat.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                pass
    mine, found = {os.getpid()}, True
    while found:
        found = {pid for pid, parent in parents.items() if parent in mine and pid not in mine}
        mine |= found
    return [pid for pid in mine - {os.getpid()} if b"chrom" in open(f"/proc/{pid}/cmdline", "rb").read()]


def test_before(agent):
    agent.run("click Go")


def test_browser_dies(agent):
    agent.run("click Go")
    for pid in _browser_processes():
        os.kill(pid, signal.SIGKILL)
    agent.run("click Go")


def test_after(agent):
    agent.run("click Go")
    agent.run("verify text Clicked is visible")
'''


def test_a_browser_killed_mid_run_fails_that_test_and_the_next_gets_a_new_one(pytester):
    pytester.makefile(".html", page=PAGE)
    (pytester.path / "kelvo.web.config.py").write_text(f"URL = {(pytester.path / 'page.html').as_uri()!r}\n")
    pytester.makepyfile(test_suite=KILLED_BROWSER_SUITE)
    result = pytester.runpytest_subprocess("-p", "no:cacheprovider", timeout=120)
    result.assert_outcomes(passed=2, failed=1)
    output = result.stdout.str()
    assert "FAILED test_suite.py::test_browser_dies" in output
    assert "the browser closed (it crashed or was killed)" in output, "the reason, not a driver error"
    report = (pytester.path / "test_report" / "report.html").read_text()
    assert report.count("test_browser_dies") >= 1 and "test_after" in report, "the report is written"
