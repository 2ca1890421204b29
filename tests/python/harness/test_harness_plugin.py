import json
import os
import re

import pytest
from inner_run import InnerRun

from kelvo_web.harness.reporter import _write_atomically


def card(html, name):
    match = re.search(rf"<div class='card {name}'>.*?<div class='value'>([^<]*)</div>", html)
    return match.group(1)


OUTCOMES = """
import pytest

@pytest.fixture
def broken():
    raise RuntimeError("no database")

@pytest.fixture
def noisy_teardown():
    yield
    raise RuntimeError("teardown trouble")

def test_pass(noisy_teardown):
    pass

def test_fail():
    a, b = 2, 1
    assert a < b

@pytest.mark.skip(reason="by marker")
def test_marker_skip():
    pass

def test_runtime_skip():
    pytest.skip("not today")

def test_setup_error(broken):
    pass

class TestGroup:
    def test_method(self):
        pass
"""


def test_each_outcome_becomes_one_result_record(project):
    project.makepyfile(test_outcomes=OUTCOMES)
    run = InnerRun(project)
    got = {r["test"]: r for r in run.results}
    # test name: (status, phase, what the message holds)
    expected = {
        "test_pass": ("error", "teardown", "teardown trouble"),  # its teardown failed
        "test_fail": ("failed", "call", "assert 2 < 1"),
        "test_marker_skip": ("skipped", "setup", "by marker"),
        "test_runtime_skip": ("skipped", "call", "not today"),
        "test_setup_error": ("failed", "setup", "RuntimeError: no database"),
        "TestGroup::test_method": ("passed", "call", ""),
    }
    assert set(got) == set(expected), "every test leaves one record"
    for test, (status, when, message) in expected.items():
        record = got[test]
        assert (record["status"], record["when"]) == (status, when), test
        assert message in record["message"], test
        assert record["file"] == "test_outcomes.py"
        assert record["nodeid"] == "test_outcomes.py::" + test
        assert isinstance(record["duration"], float)
    assert list(got["TestGroup::test_method"]) == ["nodeid", "file", "test", "status", "duration", "message", "when"]


PLAIN_ITEMS = """
import pytest

class PlainCheck(pytest.Item):
    def runtest(self):
        if "bad" in self.name:
            raise AssertionError("plain check failed")

class CheckFile(pytest.File):
    def collect(self):
        for line in self.path.read_text().split():
            yield PlainCheck.from_parent(self, name=line, nodeid=line)

def pytest_collect_file(parent, file_path):
    if file_path.suffix == ".check":
        return CheckFile.from_parent(parent, path=file_path)
"""


def test_node_ids_without_separator_keep_an_empty_test_name(project):
    project.makeconftest(project.path.joinpath("conftest.py").read_text() + PLAIN_ITEMS)
    project.path.joinpath("items.check").write_text("first-good\nsecond-bad\n")
    run = InnerRun(project)
    rows = [(r["nodeid"], r["file"], r["test"], r["status"]) for r in run.results]
    assert rows == [
        ("first-good", "first-good", "", "passed"),
        ("second-bad", "second-bad", "", "failed"),
    ]
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert "data-file='first-good'" in html


@pytest.mark.parametrize(
    "passing, failing, skipping, rate",
    [
        (2, 1, 0, "67%"),  # 66.67 rounds up
        (1, 7, 0, "12%"),  # 12.5 rounds half to even
        (1, 6, 1, "12%"),  # skipped tests count in the total
        (0, 0, 0, "0%"),  # no tests at all
    ],
)
def test_summary_counts_and_pass_rate(project, passing, failing, skipping, rate):
    # Only non-empty parameter sets: pytest turns an empty one into a skipped test.
    bodies = {
        "test_ok": (passing, "pass"),
        "test_bad": (failing, "assert False"),
        "test_skip": (skipping, "pytest.skip('later')"),
    }
    source = "import pytest\n" + "".join(
        f"\n@pytest.mark.parametrize('n', range({count}))\ndef {name}(n): {body}\n"
        for name, (count, body) in bodies.items()
        if count
    )
    project.makepyfile(test_counts=source)
    InnerRun(project)
    html = project.path.joinpath("test_report", "report.html").read_text()
    total = passing + failing + skipping
    assert (card(html, "total"), card(html, "passed"), card(html, "failed"), card(html, "skipped")) == (
        str(total),
        str(passing),
        str(failing),
        str(skipping),
    )
    assert card(html, "rate") == rate
    assert re.fullmatch(r"\d+\.\d{1,2}s", card(html, "time"))


CONFIG_PROBE = """
def test_probe(agent):
    agent._steps.append({"status": "passed", "instruction": repr((agent.url, agent.screenshots))})
"""


@pytest.mark.parametrize(
    "parent_config, child_config, expected",
    [
        ("URL = 'http://parent'", "URL = 'http://child'", ("http://child", False)),
        ("URL = 'http://parent'\nSCREENSHOTS_ON_FAILURE = True", None, ("http://parent", True)),
        (None, "SCREENSHOTS_ON_FAILURE = True", (None, True)),
        (None, None, (None, False)),
        (None, "import os\nURL = os.path.join('http://x', 'y')\nOTHER = 1", ("http://x/y", False)),
    ],
    ids=["nearest-wins", "parent-when-none-here", "no-url", "no-file-anywhere", "plain-python"],
)
def test_configuration_is_searched_upwards(project, monkeypatch, parent_config, child_config, expected):
    child = project.mkdir("suite")
    if parent_config is not None:
        project.path.joinpath("kelvo.web.config.py").write_text(parent_config)
    if child_config is not None:
        child.joinpath("kelvo.web.config.py").write_text(child_config)
    child.joinpath("test_probe.py").write_text(CONFIG_PROBE)
    monkeypatch.chdir(child)
    run = InnerRun(project, str(child))
    (steps,) = run.steps.values()
    assert steps[0]["instruction"] == repr(expected)


@pytest.mark.parametrize(
    "config, option, report, result_dir",
    [
        (None, None, "test_report/report.html", "test_report"),
        ("RESULT_DIR = 'results'", None, "results/report.html", "results"),
        ("RESULT_DIR = 'results'", "out/r.html", "out/r.html", "results"),
        (None, "r.html", "r.html", "test_report"),  # no folder part: written in place
        ("RESULT_DIR = ''", None, "report.html", ""),
    ],
)
def test_report_path_option_wins_over_result_dir(project, config, option, report, result_dir):
    if config:
        project.path.joinpath("kelvo.web.config.py").write_text(config)
    project.makepyfile(test_one="def test_one(): pass")
    args = ["--kelvo-report", option] if option else []
    run = InnerRun(project, *args)
    assert run.reporter.report_path == report
    assert run.config._kelvo_result_dir == result_dir
    assert project.path.joinpath(report).is_file()


@pytest.mark.parametrize("extra", [[], ["-p", "kelvo_web"]])  # named again: still one
def test_one_reporter_is_registered(project, extra):
    project.makepyfile(test_one="def test_one(): pass")
    run = InnerRun(project, *extra)
    assert len(run.reporters) == 1
    assert run.reporter is run.reporters[0]


@pytest.mark.parametrize(
    "config, env, fragments",
    [
        (b"URL = ", {}, ["SyntaxError", "{file}, line 1"]),
        (b"URL = 'x'\nraise RuntimeError('config exploded')\n", {}, ["config exploded", "{file}, line 2"]),
        (b"import sys\nURL = 'x'\nsys.exit(2)\n", {}, ["SystemExit: 2", "{file}, line 3"]),  # not a silent end
        (b"def url():\n    return missing\n\nURL = url()\n", {}, ["NameError", "{file}, line 2"]),  # where it broke
        (b"URL = 'caf\xe9'\n", {}, ["utf-8", "{file}, line 1"]),  # Latin-1 bytes without a coding line
        (b"# shop\n# coding: klingon\n", {}, ["unknown encoding", "{file}, line 2"]),  # compile says line 0
        (b"URL = 'x'\n\0\n", {}, ["null bytes", "{file}, line 2"]),  # compile gives no line at all
        (b"\xef\xbb\xbf# coding: latin-1\n", {}, ["with BOM", "{file}, line 1"]),  # a BOM and another coding
        (
            b"RESULT_DIR = None",
            {},
            ["RESULT_DIR in kelvo.web.config.py must be a path, not NoneType", "{file}, line 1"],
        ),
        (b"STEP_TIMEOUT_MS = 'fast'", {}, ["STEP_TIMEOUT_MS in kelvo.web.config.py must be a whole number", "{file}"]),
        (b"STEP_TIMEOUT_MS = 1.5", {}, ["STEP_TIMEOUT_MS in kelvo.web.config.py", "float (1.5)"]),  # not 1 ms
        (b"STEP_TIMEOUT_MS = True", {}, ["STEP_TIMEOUT_MS in kelvo.web.config.py", "bool (True)"]),  # not 1 ms
        (b"STEP_TIMEOUT_MS = 10**20", {}, ["from 1 to 3600000", "{file}, line 1"]),  # overflows the timers
        (b"URL = 42", {}, ["URL in kelvo.web.config.py must be text", "{file}, line 1"]),
        (b"URL = 'x'\n\nSCREENSHOTS_ON_FAILURE = 'no'", {}, ["must be True or False, not str ('no')", "line 3"]),
        (b"HEADLESS = 'maybe'", {}, ["HEADLESS in kelvo.web.config.py must be True or False", "{file}"]),
        (b"TAGS = 'smoke'", {}, ["TAGS in kelvo.web.config.py must be a list of tag names", "{file}, line 1"]),
        (b"SECRETS = ['MY PIN']", {}, ["SECRETS in kelvo.web.config.py must be a list of variable names"]),
        (b"VARIABLES = {'PIN': 4711}", {}, ["VARIABLES in kelvo.web.config.py must be a dict of names to text"]),
        (None, {"KELVO_STEP_TIMEOUT_MS": "fast"}, ["KELVO_STEP_TIMEOUT_MS must be a whole number", "unset it"]),
        (None, {"KELVO_STEP_TIMEOUT_MS": "1" + "0" * 20}, ["KELVO_STEP_TIMEOUT_MS must be", "from 1 to"]),
        (None, {"KELVO_HEADLESS": "maybe"}, ["KELVO_HEADLESS must be True or False"]),  # was headless
    ],
)
def test_a_broken_configuration_stops_the_run(project, monkeypatch, config, env, fragments):
    # One usage error before any test, as pytest gives for its own bad options.
    for name, value in env.items():
        monkeypatch.setenv(name, value)
    path = project.path.joinpath("kelvo.web.config.py")
    if config is not None:
        path.write_bytes(config)
    project.makepyfile(test_one="def test_one(agent): pass")
    result = project.runpytest()
    output = result.stdout.str() + result.stderr.str()
    assert result.ret == pytest.ExitCode.USAGE_ERROR, output
    for fragment in fragments:
        assert fragment.format(file=path) in result.stderr.str()
    assert "INTERNALERROR" not in output and "Traceback" not in output
    assert "test_one" not in output, "no test ran"


@pytest.mark.parametrize(
    "source, url",
    [
        (b"\xef\xbb\xbfURL = 'http://bom'\n", "http://bom"),  # the BOM some editors write
        (b"# -*- coding: latin-1 -*-\nURL = 'http://caf\xe9'\n", "http://caf\u00e9"),
        (b"STEP_TIMEOUT_MS = '800'\nHEADLESS = 'no'\nURL = None\n", None),  # text the environment would take
    ],
)
def test_configuration_is_read_as_python_reads_source(project, source, url):
    project.path.joinpath("kelvo.web.config.py").write_bytes(source)
    project.makepyfile(test_probe=CONFIG_PROBE)
    (steps,) = InnerRun(project).steps.values()
    assert steps[0]["instruction"] == repr((url, False))


STEPS = """
def test_first(agent):
    agent._steps.append({"status": "passed", "instruction": "click Login"})

def test_second(agent):
    agent._steps.append({"status": "failed", "instruction": "type a into B", "message": "no B"})
    assert False

def test_without_agent():
    pass
"""


def test_steps_are_kept_per_node_id(project):
    project.makepyfile(test_steps=STEPS)
    run = InnerRun(project)
    assert run.steps == {
        "test_steps.py::test_first": [{"status": "passed", "instruction": "click Login"}],
        "test_steps.py::test_second": [{"status": "failed", "instruction": "type a into B", "message": "no B"}],
    }
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert html.count("class='step-row'") == 2
    assert "<div class='step-msg'>no B</div>" in html


BAD_STEPS = """
def test_bad_records(agent):
    agent._steps.extend([
        {"instruction": "click Save"},
        {"status": "passed"},
        "not a record",
        {"status": "passed", "instruction": "click Next", "screenshot": b"raw bytes"},
    ])
"""


def test_incomplete_steps_do_not_cost_the_report(project):
    project.makepyfile(test_bad=BAD_STEPS)
    run = InnerRun(project)
    run.recorder.assertoutcome(passed=1)
    html = project.path.joinpath("test_report", "report.html").read_text()
    for note in ("step record lacks status", "step record lacks instruction", "not a step record"):
        assert note in html
    assert "click Save" in html and "click Next" in html


def test_write_replaces_the_report_in_one_step(tmp_path):
    path = tmp_path / "report.html"
    _write_atomically(str(path), "first")
    assert path.read_text() == "first"
    # A failure half-way through writing leaves the last good report and no stray file.
    with pytest.raises(UnicodeEncodeError):
        _write_atomically(str(path), "x" * 100_000 + "\udc80")
    assert path.read_text() == "first"
    assert os.listdir(tmp_path) == ["report.html"]
    assert oct(path.stat().st_mode & 0o777) != oct(0o600), "readable like any other file"


def test_failed_report_messages(project):
    project.makepyfile(
        test_msgs="""
import pytest

@pytest.fixture
def plain_failure(request):
    pytest.fail("first line\\n\\nlast words\\n   ", pytrace=False)

def test_plain(plain_failure):
    pass
"""
    )
    run = InnerRun(project)
    (record,) = run.results
    assert (record["status"], record["when"]) == ("failed", "setup")
    assert record["message"].strip().endswith("last words")


XDIST_TESTS = """
import pytest

@pytest.mark.parametrize("n", range(6))
def test_step(agent, n):
    agent._steps.append({"status": "passed", "instruction": f"click Button {n}"})
    if n == 3:
        agent._steps.append({"status": "failed", "instruction": "verify text Done", "message": "absent"})
        assert False

def test_plain():
    pass
"""

WORKER_PROBE = """
import json, os

def pytest_sessionfinish(session):
    config = session.config
    if hasattr(config, "workerinput"):
        name = "worker-" + config.workerinput["workerid"] + ".json"
        with open(os.path.join(str(config.rootpath), name), "w") as f:
            json.dump({"reporter": config.pluginmanager.has_plugin("kelvo_reporter")}, f)
"""


def test_parallel_run_writes_one_report_with_every_step(project):
    project.makeconftest(project.path.joinpath("conftest.py").read_text() + WORKER_PROBE)
    project.makepyfile(
        test_par_a=XDIST_TESTS,
        test_par_b="def test_other(agent):\n    agent._steps.append({'status': 'passed', 'instruction': 'open B'})\n",
    )
    result = project.runpytest_subprocess("-n", "2", "--junitxml=junit.xml")
    result.assert_outcomes(passed=7, failed=1)
    workers = sorted(project.path.glob("worker-*.json"))
    assert len(workers) == 2
    assert all(json.loads(w.read_text()) == {"reporter": False} for w in workers)
    html = project.path.joinpath("test_report", "report.html").read_text()
    assert html.count("class='test-row'") == 8
    for n in range(6):
        assert f"click Button {n}</td>" in html
    assert "open B" in html and "<div class='step-msg'>absent</div>" in html
    assert html.count("class='expand-btn'") == 7
    assert card(html, "total") == "8" and card(html, "failed") == "1"
    assert "kelvo_steps" not in project.path.joinpath("junit.xml").read_text()
    assert os.listdir(project.path / "test_report") == ["report.html"]


def test_report_lands_where_the_run_started_even_if_a_test_moves(project):
    project.mkdir("elsewhere")
    project.makepyfile(test_moves="import os\n\ndef test_moves():\n    os.chdir('elsewhere')\n")
    InnerRun(project, "--kelvo-report", "out/r.html")
    assert project.path.joinpath("out", "r.html").is_file()
    assert not project.path.joinpath("elsewhere", "out").exists()


MOVING = """
import os
from kelvo_web.engine import settings

def test_moves():
    os.chdir({target!r})

def test_after(agent):
    seen = (agent.url, agent.screenshots, settings.browser_options()["STEP_TIMEOUT_MS"])
    agent._steps.append({{"status": "passed", "instruction": repr(seen)}})
"""


@pytest.mark.parametrize("target", ["elsewhere", "/"])  # a folder with its own file; none above
def test_configuration_stays_the_one_where_the_run_started(project, target):
    project.path.joinpath("kelvo.web.config.py").write_text(
        "URL = 'http://start'\nSCREENSHOTS_ON_FAILURE = True\nSTEP_TIMEOUT_MS = 1234\n"
    )
    project.mkdir("elsewhere").joinpath("kelvo.web.config.py").write_text(
        "URL = 'http://elsewhere'\nSTEP_TIMEOUT_MS = 9\n"
    )
    project.makepyfile(test_moving=MOVING.format(target=target))
    run = InnerRun(project)
    run.recorder.assertoutcome(passed=2)
    assert run.steps["test_moving.py::test_after"][0]["instruction"] == repr(("http://start", True, 1234))


@pytest.mark.parametrize(
    "config, warned",
    [
        ("SCREENSHOT_ON_FAILURE = True", "SCREENSHOT_ON_FAILURE in kelvo.web.config.py is no setting, and is ignored; "
         "did you mean SCREENSHOTS_ON_FAILURE?"),
        ("STEP_TIMEOUT = 100", "did you mean STEP_TIMEOUT_MS?"),
        ("ADMIN_PASSWORD = 'x'", None),  # the project's own name, far from every setting
    ],
)
def test_a_misspelt_setting_is_named_and_the_run_goes_on(project, config, warned):
    project.path.joinpath("kelvo.web.config.py").write_text(config)
    project.makepyfile(test_one="def test_one(): pass")
    result = project.runpytest()
    assert result.ret == pytest.ExitCode.OK
    output = result.stdout.str()
    assert (warned in output) if warned else ("is no setting" not in output)


def test_collecting_only_keeps_the_last_report(project):
    project.makepyfile(test_one="def test_one(): pass")
    assert project.runpytest().ret == pytest.ExitCode.OK
    report = project.path.joinpath("test_report", "report.html")
    written = report.read_bytes()
    result = project.runpytest("--collect-only")
    assert result.ret == pytest.ExitCode.OK
    assert report.read_bytes() == written
    assert "kelvo report" not in result.stdout.str()
