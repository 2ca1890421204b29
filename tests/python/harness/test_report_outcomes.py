"""Every outcome pytest knows reaches the report as what it is, and bad report paths stop
the run before any test runs."""

import os
import re
import stat
import tempfile

import pytest
from inner_run import InnerRun


def card(html, name):
    match = re.search(rf"<div class='card {name}'>.*?<div class='value'>([^<]*)</div>", html)
    return match.group(1) if match else None


OUTCOMES = """
import pytest

@pytest.fixture
def broken():
    raise RuntimeError("no database")

@pytest.fixture
def noisy_teardown():
    yield
    raise RuntimeError("teardown trouble")

def test_pass():
    pass

@pytest.mark.xfail(reason="bug 12")
def test_xfail():
    assert 1 == 2

@pytest.mark.xfail(reason="bug 13")
def test_xpass():
    pass

@pytest.mark.xfail(reason="bug 14", strict=True)
def test_xpass_strict():
    pass

@pytest.mark.xfail(run=False, reason="hangs")
def test_xfail_not_run():
    pass

def test_xfail_call():
    pytest.xfail("known flake")

@pytest.mark.skip(reason="by marker")
def test_marker_skip():
    pass

@pytest.mark.skipif(True, reason="not on this system")
def test_skipif():
    pass

def test_runtime_skip():
    pytest.skip("not today")

def test_setup_error(broken):
    pass

def test_teardown_error(noisy_teardown):
    pass

def test_fail_and_teardown_error(noisy_teardown):
    assert 2 < 1

def test_assert_after_steps(agent):
    agent._steps.append({"status": "passed", "instruction": "click Save"})
    assert "saved" == "not saved"
"""

# test: (status, when, text in message, reason key)
EXPECTED = {
    "test_pass": ("passed", "call", "", None),
    "test_xfail": ("xfailed", "call", "assert 1 == 2", "bug 12"),
    "test_xpass": ("xpassed", "call", "", "bug 13"),
    "test_xpass_strict": ("failed", "call", "[XPASS(strict)] bug 14", None),  # pytest fails it
    "test_xfail_not_run": ("xfailed", "setup", "", "[NOTRUN] hangs"),
    "test_xfail_call": ("xfailed", "call", "", "known flake"),
    "test_marker_skip": ("skipped", "setup", "by marker", "by marker"),  # was missing
    "test_skipif": ("skipped", "setup", "not on this system", "not on this system"),
    "test_runtime_skip": ("skipped", "call", "not today", "not today"),
    "test_setup_error": ("failed", "setup", "RuntimeError: no database", None),
    "test_teardown_error": ("error", "teardown", "RuntimeError: teardown trouble", None),  # was "passed"
    "test_fail_and_teardown_error": ("failed", "call", "assert 2 < 1", None),
    "test_assert_after_steps": ("failed", "call", "AssertionError", None),
}


@pytest.fixture
def outcomes_run(project):
    project.makepyfile(test_outcomes=OUTCOMES)
    run = InnerRun(project)
    return run, project.path.joinpath("test_report", "report.html").read_text()


def test_every_outcome_is_recorded_once_as_what_it_is(outcomes_run):
    run, _ = outcomes_run
    names = [r["test"] for r in run.results]
    assert sorted(names) == sorted(EXPECTED), "one record per test, none lost, none doubled"
    for record in run.results:
        status, when, message, reason = EXPECTED[record["test"]]
        assert (record["status"], record["when"]) == (status, when), record["test"]
        assert message in record["message"], record["test"]
        assert record.get("reason") == reason, record["test"]
        # The specified keys come first, in their order; additions follow.
        assert list(record)[:7] == ["nodeid", "file", "test", "status", "duration", "message", "when"]


def test_teardown_trouble_of_a_failed_test_joins_its_traceback(outcomes_run):
    run, _ = outcomes_run
    record = next(r for r in run.results if r["test"] == "test_fail_and_teardown_error")
    assert "assert 2 < 1" in record["traceback"]
    assert "Error at teardown" in record["traceback"] and "teardown trouble" in record["traceback"]


def test_summary_shows_the_further_outcomes(outcomes_run):
    _, html = outcomes_run
    # passed / total keeps its meaning: 1 passed of 13 tests.
    got = {
        name: card(html, name)
        for name in ("total", "passed", "failed", "skipped", "error", "xfailed", "xpassed", "rate")
    }
    assert got == {
        "total": "13",
        "passed": "1",
        "failed": "4",
        "skipped": "3",
        "error": "1",
        "xfailed": "3",
        "xpassed": "1",
        "rate": "8%",
    }
    assert card(html, "interrupted") is None, "no card for an outcome the run does not have"


def test_every_failure_shows_its_reason(outcomes_run):
    _, html = outcomes_run
    for text in (
        "Failed in setup",
        "RuntimeError: no database",
        "Error in teardown",
        "Expected failure: bug 12",
        "Passed, but was expected to fail: bug 13",
        "AssertionError: assert &#x27;saved&#x27; == &#x27;not saved&#x27;",
    ):
        assert text in html, text


RERUNS = """
import pytest

ATTEMPTS = {"flaky": 0}

def test_flaky():
    ATTEMPTS["flaky"] += 1
    assert ATTEMPTS["flaky"] > 1

def test_broken():
    assert False, "always"

def test_fine():
    pass
"""


def test_reruns_fold_into_their_test(project):
    pytest.importorskip("pytest_rerunfailures")
    project.makepyfile(test_reruns=RERUNS)
    run = InnerRun(project, "--reruns", "2")
    rows = [(r["test"], r["status"], r.get("reruns")) for r in run.results]
    assert rows == [("test_flaky", "passed", 1), ("test_broken", "failed", 2), ("test_fine", "passed", None)]
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert (card(html, "total"), card(html, "skipped"), card(html, "rate")) == ("3", "0", "67%")
    assert "<span class='badge rerun'>1 rerun</span>" in html
    assert "<span class='badge rerun'>2 reruns</span>" in html
    # The flaky test passed, and its first attempt's failure is still there to read.
    assert "attempt 1: assert 1 &gt; 1" in html
    assert html.count("attempt 2: AssertionError: always") == 1


def test_the_report_path_is_printed_at_the_end(project):
    project.makepyfile(test_one="def test_one(): pass")
    result = project.runpytest("--kelvo-report", "out/r.html")
    assert result.ret == 0
    expected = os.path.realpath(project.path / "out" / "r.html")
    assert f"kelvo report: {expected}" in result.stdout.str()


def make_fifo(path):
    os.mkfifo(path)
    return path


@pytest.mark.parametrize(
    "make, message",
    [
        (lambda root: str(root.joinpath("reports").mkdir() or root / "reports"), "is a directory"),
        (
            lambda root: (root.joinpath("plain.txt").write_text("x"), str(root / "plain.txt" / "r.html"))[1],
            "which is a file, not a directory",
        ),
        (lambda root: "", "the report path is empty"),
        (lambda root: "  ", "the report path is empty"),
        (lambda root: make_fifo(str(root / "pipe")), "is not a regular file"),
        (lambda root: "/dev/null", "is not a regular file"),
    ],
    ids=["directory", "under-a-file", "empty", "blank", "fifo", "device"],
)
def test_a_report_path_that_cannot_be_written_stops_the_run_first(project, make, message):
    target = make(project.path)
    project.makepyfile(test_one="def test_one(): open('ran.txt', 'w').close()")
    result = project.runpytest("--kelvo-report", target)
    assert result.ret == pytest.ExitCode.USAGE_ERROR
    assert message in result.stderr.str()
    assert "Traceback" not in result.stdout.str() + result.stderr.str()
    assert not project.path.joinpath("ran.txt").exists(), "no test ran"
    if target == str(project.path / "pipe"):
        assert stat.S_ISFIFO(os.stat(target).st_mode), "the FIFO is left as it was"


REMOUNT_READ_ONLY = """
import subprocess

def test_pay_by_card():
    subprocess.run(["mount", "-o", "remount,ro", {disk!r}], check=True)
"""


@pytest.mark.parametrize(
    "tests, disk_fails, temp_on_disk, exit_code, said, earlier_left, kept_in_temp",
    [
        # The earlier report goes, so no one reads it as this run's; the results survive in the temp folder.
        ("def test_pay_by_card(): pass", "full", False, pytest.ExitCode.INTERNAL_ERROR, "was removed", False, True),
        # A failed test already makes the run fail: its exit status is kept, not hidden by the report's.
        ("def test_pay_by_card(): assert 0", "full", False, pytest.ExitCode.TESTS_FAILED, "was removed", False, True),
        # Read-only from mid-run: the earlier report cannot go, so the message says it is not this run's.
        (REMOUNT_READ_ONLY, "read-only", False, pytest.ExitCode.INTERNAL_ERROR, "is an EARLIER run's", True, True),
        # Nowhere to write at all: still said, still a failed run, still no stale report.
        ("def test_pay_by_card(): pass", "full", True, pytest.ExitCode.INTERNAL_ERROR, "either", False, False),
    ],
    ids=["full-disk", "full-disk-failed-test", "read-only-mid-run", "temp-folder-full-too"],
)
def test_a_report_that_cannot_be_written_is_said_and_never_left_stale(
    project, tiny_disk, monkeypatch, tests, disk_fails, temp_on_disk, exit_code, said, earlier_left, kept_in_temp
):
    target = tiny_disk.path / "report.html"
    target.write_text("<html>yesterday: all green</html>")
    temp = tiny_disk.path / "tmp" if temp_on_disk else project.path / "tmp"
    temp.mkdir()
    monkeypatch.setattr(tempfile, "tempdir", str(temp))
    if disk_fails == "full":
        tiny_disk.fill()
    project.makepyfile(test_shop=tests.format(disk=str(tiny_disk.path)))
    result = project.runpytest("--kelvo-report", str(target))
    out = result.stdout.str()
    assert result.ret == exit_code
    assert "Traceback" not in out + result.stderr.str()
    assert "kelvo report NOT written" in out and f"could not write the report {target}" in out and said in out
    assert target.exists() == earlier_left
    assert not [p for p in tiny_disk.path.iterdir() if p.name.endswith(".tmp")], "no half-written report"
    kept = list(temp.glob("kelvo-report-*.html"))
    assert len(kept) == int(kept_in_temp)
    if kept:
        assert f"this run's report was written to {kept[0]} instead" in out
        assert "test_pay_by_card" in kept[0].read_text()


def test_a_result_dir_under_a_file_is_a_usage_error_too(project):
    project.path.joinpath("taken").write_text("x")
    project.path.joinpath("kelvo.web.config.py").write_text("RESULT_DIR = 'taken/results'")
    project.makepyfile(test_one="def test_one(): pass")
    result = project.runpytest()
    assert result.ret == pytest.ExitCode.USAGE_ERROR
    assert "RESULT_DIR in kelvo.web.config.py" in result.stderr.str()


INTERRUPTED = """
def test_before(agent):
    agent._steps.append({"status": "passed", "instruction": "open the shop"})

def test_stopped(agent):
    agent._steps.append({"status": "passed", "instruction": "click Pay"})
    raise KeyboardInterrupt

def test_never_runs():
    pass
"""


def test_ctrl_c_marks_the_running_test_interrupted(project):
    project.makepyfile(test_stop=INTERRUPTED)
    run = InnerRun(project, no_reraise_ctrlc=True)
    assert run.recorder.ret == pytest.ExitCode.INTERRUPTED
    rows = [(r["test"], r["status"]) for r in run.results]
    assert rows == [("test_before", "passed"), ("test_stopped", "interrupted")]
    assert "KeyboardInterrupt" in run.results[1]["message"]
    assert [s["instruction"] for s in run.steps["test_stop.py::test_stopped"]] == ["click Pay"]
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert "class='banner interrupted'" in html
    assert card(html, "interrupted") == "1" and card(html, "rate") == "50%"


CRASHING = """
import os

def test_fine():
    pass

def test_crashes():
    os._exit(3)
"""


def test_a_crashed_worker_leaves_its_test_in_the_report(project):
    project.makepyfile(test_crash=CRASHING)
    result = project.runpytest_subprocess("-n", "2")
    result.assert_outcomes(passed=1, failed=1)
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert card(html, "total") == "2" and card(html, "failed") == "1"
    assert "crashed while running" in html and "test_crashes" in html


TWO_AGENTS = """
import kelvo_web.harness.fixtures as kelvo_fixtures

KEPT = {}

def test_two_agents(agent):
    agent._steps.append({"status": "passed", "instruction": "log in as alice"})
    second = kelvo_fixtures.WebAgent()
    KEPT["second"] = second
    second._steps.append({"status": "passed", "instruction": "log in as bob"})

def test_own_agent_without_fixture():
    mine = kelvo_fixtures.WebAgent()
    KEPT["mine"] = mine
    mine._steps.append({"status": "failed", "instruction": "click Nothing", "message": "absent"})

def test_closed_afterwards():
    assert KEPT["second"].closed == 1 and KEPT["mine"].closed == 1
"""


def test_every_agent_of_a_test_is_reported_and_closed(project):
    project.makepyfile(test_agents=TWO_AGENTS)
    run = InnerRun(project)
    run.recorder.assertoutcome(passed=3)
    instructions = {k: [s["instruction"] for s in v] for k, v in run.steps.items()}
    assert instructions == {
        "test_agents.py::test_two_agents": ["log in as alice", "log in as bob"],
        "test_agents.py::test_own_agent_without_fixture": ["click Nothing"],
    }


def test_one_agent_keeps_its_own_list(project):
    project.makepyfile(
        test_one="""
KEPT = []

def test_one(agent):
    KEPT.append(agent)

def test_check(request):
    agent = KEPT[0]
    assert request.config._kelvo_steps["test_one.py::test_one"] is agent._steps
    assert agent.closed == 1, "closed once, by the fixture"
"""
    )
    InnerRun(project).recorder.assertoutcome(passed=2)


def test_the_configuration_runs_once_per_session(project):
    counter = project.path / "runs.txt"
    project.path.joinpath("kelvo.web.config.py").write_text(
        f"with open({str(counter)!r}, 'a') as f:\n    f.write('x')\nURL = 'http://shop'\n"
    )
    project.makepyfile(
        test_many="""
import pytest

@pytest.mark.parametrize("n", range(4))
def test_uses_agent(agent, n):
    assert agent.url == "http://shop"
"""
    )
    run = InnerRun(project)
    run.recorder.assertoutcome(passed=4)
    assert counter.read_text() == "x"


FOR_OTHER_REPORTS = """
PNG = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC"

def test_checkout(agent):
    agent._steps.append({"status": "passed", "instruction": "click Add to cart"})
    agent._steps.append({"status": "failed", "instruction": "verify text Total is 42",
                         "message": "Total is 41", "screenshot": PNG})
    assert False
"""


def test_steps_reach_pytest_html_junit_and_allure(project):
    for plugin in ("pytest_html", "allure_pytest"):
        pytest.importorskip(plugin)
    import json
    import xml.etree.ElementTree as ElementTree

    project.makepyfile(test_shop=FOR_OTHER_REPORTS)
    run = project.runpytest_subprocess(
        "--html=h.html", "--self-contained-html", "--junitxml=j.xml", "--alluredir=allure", "-p", "no:cacheprovider"
    )
    run.assert_outcomes(failed=1)
    page = (project.path / "h.html").read_text(encoding="utf-8")
    assert "kelvo steps" in page and "verify text Total is 42" in page and "Total is 41" in page, "pytest-html"
    assert "step 2: verify text Total is 42" in page, "the screenshot, named by its step"
    junit = ElementTree.parse(project.path / "j.xml")
    told = {p.get("name"): p.get("value") for p in junit.iter("property")}
    assert told.get("kelvo steps") == "\u2713 click Add to cart\n\u2717 verify text Total is 42 \u2014 Total is 41"
    result = next(json.loads(p.read_text()) for p in (project.path / "allure").glob("*-result.json"))
    assert [(s["name"], s["status"]) for s in result["steps"]] == [
        ("click Add to cart", "passed"),
        ("verify text Total is 42", "failed"),
    ]
    attached = result["steps"][1]["attachments"]
    assert [a["type"] for a in attached] == ["image/png"] and (project.path / "allure" / attached[0]["source"]).exists()
