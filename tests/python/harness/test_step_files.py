"""Step files: read and checked (a table of bad inputs), and run by real pytest runs on real
Chromium, and through the kelvo command as a subprocess."""

import json
import os
import subprocess
import sys
import textwrap
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
STEP_TIMEOUT_MS = 1000  # the one failing step fails fast
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
> The password field shows what was typed, so the step fails and names the secret's place.
- verify text Welcome ${PASSWORD} is visible
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


def _settings(**extra):
    values = {"URL": "http://shop.test/", "VARIABLES": {"NAME": "alice"}, "SECRETS": [], "TAGS": ["smoke"]}
    return step_files.Settings.from_config({**values, **extra}, environ={"FROM_ENV": "env value"})


def _read(text, **extra):
    return step_files.read_text(textwrap.dedent(text), "t.steps.md", _settings(**extra))


@pytest.mark.parametrize(
    "text, problems",
    [
        ("## A\n- clik Login\n", ["t.steps.md:2: Unknown action 'clik'"]),
        ("## A\n- click Login\n- type x into ${MISSING}\n", ["t.steps.md:3: unknown variable ${MISSING}"]),
        ("## A\n- type ${bad name} into X\n", ["t.steps.md:2: ${bad name} is no variable name"]),
        ("## A\n- type ${NAME into X\n", ["t.steps.md:2: a '${' is never closed"]),
        ("Tags: smoke, nightly\n## A\n- click Go\n", ["t.steps.md:1: unknown tag 'nightly'"]),
        ("## A\n- click Go\nclick Stop\n", ["t.steps.md:3: this line is no step"]),
        ("- click Go\n## A\n- click Go\n", ["t.steps.md:1: steps belong under a test's"]),
        ("## A\n- click Go\nTags: smoke\n", ["t.steps.md:3: 'Tags:' goes before the test's steps"]),
        ("## A\n\n## B\n- click Go\n", ["t.steps.md:1: the test 'A' has no steps"]),
        ("## A\n- click Go\n## A\n- click Go\n", ["t.steps.md:3: two tests are named 'A'"]),
        ("## A\n- click Go\n<!-- open\n", ["t.steps.md:3: this comment is never closed"]),
        ("## A\n- click Go\n-\n", ["t.steps.md:3: this step is empty"]),
        ("## A\n| x |\n- click Go\n", ["t.steps.md:2: a table belongs under 'Examples:'"]),
        ("## A ${x}\n- type ${x} into E\nExamples:\n| x |\n| - |\n| 1 |\n", ["t.steps.md:5: the second row"]),
        ("## A ${x}\n- type ${x} into E\nExamples:\n| x |\n| --- |\n| 1 | 2 |\n", ["t.steps.md:6: this row has 2"]),
        ("## A\n- click Go\nExamples:\n", ["t.steps.md:3: 'Examples:' needs a table"]),
        ("## A ${x}\n- click ${x}\nExamples:\n| x | x |\n| --- | --- |\n| 1 | 2 |\n", ["t.steps.md:4: two columns"]),
        ("## Before each\nTags: smoke\n- click Go\n", ["t.steps.md:2: 'Tags:' of the whole file goes above"]),
        ("Start: x.html\n## A\n- click Go\n", ["t.steps.md:1: the start address 'x.html' is relative, and URL"]),
        # Every problem of a file at once, in line order.
        ("## A\n- clik Go\n- type ${NOPE} into X\n", ["t.steps.md:2: Unknown action", "t.steps.md:3: unknown var"]),
    ],
)
def test_every_bad_input_is_named_by_file_and_line(text, problems):
    url = None if "Start: x.html" in text else "http://shop.test/"
    read = step_files.read_text(text, "t.steps.md", _settings(URL=url))
    shown = [str(problem) for problem in read.problems]
    assert len(shown) == len(problems), shown
    for got, expected in zip(shown, problems):
        assert got.startswith(expected), (got, expected)
    assert read.tests == [], "a file with a problem runs nothing"


def test_a_file_reads_into_its_tests():
    read = _read(
        """\
        # Title, and prose that is no step
        Start: shop/index.html
        Tags: smoke

        ## Before each
        - click Sign in

        ## Buy ${item}
        Start: http://elsewhere.test/
        <!-- a comment
        over lines -->
        - type ${NAME} into Email
        1. type ${FROM_ENV} into Note
        * verify text \\${literal} is present

        Examples:
        | item          |
        | ------------- |
        | Blue Backpack |
        | Red \\| Hat    |

        ## Plain
        - click Buy
        """
    )
    assert read.problems == []
    rows = [(t.name, t.line, t.start, t.tags, [(s.text, s.line) for s in t.steps]) for t in read.tests]
    before = ("click Sign in", 6)
    own = [("type alice into Email", 12), ("type env value into Note", 13), ("verify text ${literal} is present", 14)]
    assert rows == [
        ("Buy Blue Backpack", 8, "http://elsewhere.test/", ["smoke"], [before, *own]),
        ("Buy Red | Hat", 8, "http://elsewhere.test/", ["smoke"], [before, *own]),
        ("Plain", 22, "http://shop.test/shop/index.html", ["smoke"], [before, ("click Buy", 23)]),
    ]


def test_a_secret_is_masked_in_the_problems_it_is_part_of():
    read = _read("## A\n- ${NAME} Login\n", SECRETS=["NAME"])  # the core names the unknown action
    assert read.secrets == ("alice",)
    assert "alice" not in str(read.problems) and "********" in str(read.problems)


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
    assert "shop.steps.md:22: Step failed: verify text Welcome ******** is visible" in console
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


def test_a_malformed_file_runs_nothing_and_every_file_reports(site):
    site.path.joinpath("broken.steps.md").write_text("## A\n- clik Go\n")
    site.path.joinpath("worse.steps.md").write_text("## B\n- click Go\nTags: nightly\n")
    result = site.runpytest("-p", "no:cacheprovider")
    assert result.ret == pytest.ExitCode.INTERRUPTED
    result.stdout.fnmatch_lines(["broken.steps.md:2: Unknown action 'clik'*", "worse.steps.md:3: 'Tags:' goes before*"])
    assert result.parseoutcomes().get("passed") is None and "failed" not in result.parseoutcomes()


def _kelvo(*args, cwd):
    return subprocess.run(
        [sys.executable, "-m", "kelvo_web", *args], cwd=cwd, capture_output=True, text=True, timeout=300
    )


def test_the_kelvo_command(site):
    folder = site.path
    good = _kelvo("check", ".", cwd=folder)
    assert (good.returncode, good.stdout.strip()) == (0, "1 step file, 3 tests: no problems"), good.stderr
    folder.joinpath("bad.steps.md").write_text("## A\n- clik Go\n")
    bad = _kelvo("check", "--format", "json", ".", "missing.steps.md", cwd=folder)
    assert bad.returncode == 1
    files = {f["path"]: f for f in json.loads(bad.stdout)["files"]}
    assert files["bad.steps.md"]["problems"][0]["line"] == 2
    assert files["missing.steps.md"]["problems"][0]["message"] == "no such file or folder"
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
