"""Step files: read and checked (a table of bad inputs), and run by real pytest runs on real
Chromium, and through the kelvo command as a subprocess."""

import json
import os
import subprocess
import sys
from pathlib import Path

import pytest
from inner_run import InnerRun

from kelvo_web.engine import settings
from kelvo_web.harness import step_files

SECRET = "hunter2-s3cret"

SITE = """<!doctype html><html><body>
<h1>Shop</h1>
<label>Email <input id="email"></label>
<label>Password <input id="pw"></label>
<button onclick="document.getElementById('out').textContent = 'Hello ' +
  document.getElementById('email').value">Sign in</button>
<p id="out"></p>
</body></html>"""

CONFIG = f"""
URL = {{url!r}}
VARIABLES = {{{{"PASSWORD": {SECRET!r}, "GREETING": "Hello"}}}}
SECRETS = ["PASSWORD"]
TAGS = ["smoke", "slow"]
"""

SHOP = """\
# Signing in
Start: index.html
Tags: slow

## Before each
- type ${PASSWORD} into Password

## Sign in as ${user}
Tags: smoke
- type ${user} into Email
- click Sign in
- verify text ${GREETING} ${user} is visible

Examples:
| user  |
| ----- |
| alice |
| bob   |

## Password is not shown
> A failing step shows the secret masked, even in the address it could not open.
- navigate missing-${PASSWORD}.html
"""

CALLER = """
from kelvo_web.harness.step_files import run_test

def test_from_python(agent):
    run_test(agent, "shop.steps.md", "Sign in as alice")
"""


@pytest.fixture
def site(pytester):
    folder = pytester.path / "site"
    folder.mkdir()
    (folder / "index.html").write_text(SITE)
    pytester.path.joinpath("kelvo.web.config.py").write_text(CONFIG.format(url=folder.as_uri() + "/"))
    pytester.path.joinpath("shop.steps.md").write_text(SHOP)
    return pytester


def test_a_file_is_read_by_the_core_and_its_start_joined_to_the_url():
    # The core's reading is tested in tests/core/harness/step_files; here what the shell adds.
    settings_ = step_files.Settings.from_config(
        {"URL": "http://shop.test/a/", "VARIABLES": {"PIN": "4711"}, "SECRETS": ["PIN"]},
        environ={"BAD": "\udcff", "EMPTY": "", "USER": "alice"},  # an empty value is a value too
    )
    text = "Start: b.html\n## A ${USER}\n- type ${PIN} into Pin\n## B\n- ${PIN} Login\n"
    read = step_files.read_text(text, "t.steps.md", settings_)
    assert [str(p) for p in read.problems] == [
        "t.steps.md:5: Unknown action '********'. Expected one of: click, "
        "type, verify, hover, select, press, wait, find, extract, sendkeys."
    ]
    read = step_files.read_text(text.split("## B")[0], "t.steps.md", settings_)
    assert [(t.name, t.start, t.steps[0].text) for t in read.tests] == [
        ("A ${USER}", "http://shop.test/a/b.html", "type 4711 into Pin")
    ]
    assert read.secrets == ("4711",)


def test_step_files_run_as_tests_with_node_ids_markers_examples_and_masked_secrets(site, monkeypatch, tmp_path):
    site.makepyfile(test_caller=CALLER)
    snapshots = tmp_path / "snapshots"
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", True)
    monkeypatch.setattr(settings, "LOG_PATH", str(snapshots))
    result = site.runpytest("-rA", "-o", "log_cli=true")
    outcomes = {r.nodeid: r.outcome for r in result.reprec.getreports("pytest_runtest_logreport") if r.when == "call"}
    assert outcomes == {
        "shop.steps.md::Sign in as alice": "passed",
        "shop.steps.md::Sign in as bob": "passed",
        "shop.steps.md::Password is not shown": "failed",
        "test_caller.py::test_from_python": "passed",
    }
    console = result.stdout.str()
    html = site.path.joinpath("test_report", "report.html").read_text(encoding="utf-8")
    written = "".join(p.read_text(encoding="utf-8") for p in snapshots.iterdir())
    assert "type ******** into Password" in html and "alice" in written
    for shown in (console, html, written):
        assert SECRET not in shown
    # The failing step is named by its file and line in the console and in the report.
    assert "shop.steps.md:22: Step failed: navigate missing-********.html could not open" in console
    assert html.count("shop.steps.md:22:") >= 2  # the test's message and the step's

    # Markers from tags (file and test), -k by name.
    selected = {
        ("-m", "smoke"): 2,
        ("-m", "slow and not smoke"): 1,
        ("-k", "bob"): 1,
        ("-k", "Password or alice"): 2,  # the Python test's name holds neither
    }
    for args, count in selected.items():
        run = site.inline_run("--collect-only", "-p", "no:cacheprovider", *args)
        assert len(run.getcalls("pytest_collection_finish")[0].session.items) == count, args
    again = InnerRun(site, "--lf")
    assert [r["test"] for r in again.results] == ["Password is not shown"]


# One malformed file per kind of bad input: each is named by file and line in one run.
MALFORMED = {
    "step": ("## A\n- clik Go\n", "step.steps.md:2: Unknown action 'clik'*"),
    "variable": ("## A\n- type ${NOPE} into X\n", "variable.steps.md:2: unknown variable ${NOPE}*"),
    "tag": ("Tags: nightly\n## A\n- click Go\n", "tag.steps.md:1: unknown tag 'nightly'*"),
    "table": ("## A ${x}\n- click ${x}\nExamples:\n| x |\n| --- |\n| 1 | 2 |\n", "table.steps.md:6: this row has 2*"),
    "layout": ("## A\n- click Go\nTags: smoke\n", "layout.steps.md:3: 'Tags:' goes before*"),
    "prose": ("## A\n- click Go\nclick Stop\n", "prose.steps.md:3: this line is no step*"),
}


def test_a_malformed_file_runs_nothing_and_every_file_reports(site):
    for kind, (text, _) in MALFORMED.items():
        site.path.joinpath(f"{kind}.steps.md").write_text(text)
    result = site.runpytest("-p", "no:cacheprovider")
    assert result.ret == pytest.ExitCode.INTERRUPTED
    result.stdout.fnmatch_lines_random([line for _, line in MALFORMED.values()])
    outcomes = result.parseoutcomes()
    assert outcomes["errors"] == len(MALFORMED) and "passed" not in outcomes and "failed" not in outcomes


def _kelvo(*args, cwd):
    return subprocess.run(
        [sys.executable, "-m", "kelvo_web", *args], cwd=cwd, capture_output=True, text=True, timeout=300
    )


def test_the_kelvo_command(site):
    folder = site.path
    good = _kelvo("check", ".", cwd=folder)
    assert (good.returncode, good.stdout.strip()) == (0, "1 step file, 3 tests: no problems"), good.stderr
    folder.joinpath("bad.steps.md").write_text("## A\n- clik Go\n")
    folder.joinpath("empty").mkdir()
    bad = _kelvo("check", "--format", "json", ".", "missing.steps.md", "empty", cwd=folder)
    assert bad.returncode == 1
    files = {f["path"]: f for f in json.loads(bad.stdout)["files"]}
    assert files["bad.steps.md"]["problems"][0]["line"] == 2
    assert files["missing.steps.md"]["problems"][0]["message"] == "no such file or folder"
    assert files["empty"]["problems"][0]["message"].startswith("no step files here")
    assert files["shop.steps.md"]["tests"][0] == "Sign in as alice"
    os.remove(folder / "bad.steps.md")

    # In parallel (xdist) through the command: one report, every step masked, the failure placed.
    run = _kelvo("run", "shop.steps.md", "--report", "out/r.html", "-n", "2", cwd=folder)
    assert run.returncode == 1 and "2 passed" in run.stdout and "1 failed" in run.stdout, run.stdout[-2000:]
    html = Path(folder, "out", "r.html").read_text(encoding="utf-8")
    assert "shop.steps.md:22:" in html and "type ******** into Password" in html
    assert SECRET not in html + run.stdout + run.stderr
    passing = _kelvo("run", "shop.steps.md", "-k", "alice", cwd=folder)
    assert passing.returncode == 0 and "1 passed, 2 deselected" in passing.stdout, passing.stdout[-2000:]
    elsewhere = _kelvo("run", "shop.steps.md", "--url", (folder / "nowhere").as_uri() + "/", "-k", "bob", cwd=folder)
    assert elsewhere.returncode == 1 and "nowhere/index.html" in elsewhere.stdout
    listed = _kelvo("phrases", "--format", "json", (folder / "site" / "index.html").as_uri(), cwd=folder)
    steps = [row["step"] for row in json.loads(listed.stdout)["controls"]]
    assert steps == ["type TEXT into Email", "type TEXT into Password", "click Sign in"], listed.stderr
    for command in ("run", "check", "phrases"):
        assert _kelvo(command, "--help", cwd=folder).returncode == 0
    assert _kelvo("check", cwd=folder).returncode == 2  # argparse: no PATH given
