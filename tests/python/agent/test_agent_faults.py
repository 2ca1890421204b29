"""Faults a step can meet on its way: the page navigates or reloads under it, the page never
stops changing, the browser dies. Each either completes or fails with a message that says what
happened, and the run goes on."""

import functools
import http.server
import threading
from pathlib import Path

import pytest

from kelvo_web import WebAgent
from kelvo_web.agent import StepFailure

PAGES = Path(__file__).with_name("hostile")


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@pytest.fixture(scope="module")
def site():
    handler = functools.partial(_QuietHandler, directory=str(PAGES))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield f"http://127.0.0.1:{server.server_port}/"
    server.shutdown()


@pytest.fixture
def agent_at(site):
    agents = []

    def make(page, timeout_ms=5000):
        agent = WebAgent(url=site + page)
        agent.step_timeout_ms = timeout_ms
        agents.append(agent)
        return agent

    yield make
    for agent in agents:
        agent.close()


@pytest.mark.parametrize("page, steps, check, why", [
    ("reloads_once.html", ["click Save"], ("#done", "Saved at visit 2"),
     "the reload lands while the step reads or acts; the step finishes on the reloaded page"),
    ("moves_on.html", ["type Ada into Name", "click Continue"], ("#out", "Hello Ada"),
     "the elements exist only on the page the first one moves on to"),
    ("restless.html", ["click Pause feed"], ("#out", "Paused"),
     "rows change every few milliseconds; the button does not"),
], ids=["reload", "redirect", "restless"])
def test_a_step_completes_on_a_page_that_changes_under_it(agent_at, page, steps, check, why):
    agent = agent_at(page)
    agent.run_all(steps)
    selector, text = check
    agent.page.wait_for_function("([s, t]) => document.querySelector(s)?.textContent === t",
                                 arg=list(check), timeout=3000)
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why


def test_a_restless_page_is_checked_within_the_step_timeout(agent_at):
    agent = agent_at("restless.html", timeout_ms=3000)
    agent.run("verify text Pause feed is visible")
    assert agent._steps[-1]["duration"] < 3.0


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
