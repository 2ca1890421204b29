"""The built wheel installed into a fresh venv, as a user gets it: it needs no system ICU or
simdjson, runs plain-English steps, and shares one browser with pytest-playwright."""

import glob
import os
import subprocess
import sys
import venv
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[3]

pytestmark = pytest.mark.skipif(not sys.platform.startswith("linux"), reason="manylinux wheel")

PAGE = """<!doctype html><title>Shop</title>
<label for=q>Search</label><input id=q>
<button onclick="document.getElementById('out').textContent = 'Found ' + q.value">Go</button>
<p id=out></p>"""

# Debian's Chromium for pytest-playwright's launch too: nothing here may download a browser.
CONFTEST = """
import pytest

@pytest.fixture(scope="session")
def browser_type_launch_args(browser_type_launch_args):
    return {**browser_type_launch_args, "executable_path": "/usr/bin/chromium"}
"""

SUITE = """
def test_plain_english_steps(agent):
    agent.run("type shoes into Search")
    agent.run("click Go")
    agent.run("verify text Found shoes is visible")
"""

MIXED = """
def test_page_and_agent_in_one_test(page, agent):
    page.goto("about:blank")
    page.goto(agent.url)
    page.fill("#q", "boots")
    agent.run("click Go")
    assert page.text_content("#out") == "Found boots"
    assert agent.page is page

def test_agent_after_a_page_test_still_starts(agent):
    agent.run("type hats into Search")
    agent.run("click Go")
    agent.run("verify text Found hats is visible")

def test_headed_option_reaches_pytest_playwright(pytestconfig):
    assert pytestconfig.getoption("headed") is True
"""


def _run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=600, **kwargs)


@pytest.fixture(scope="module")
def wheel():
    # The first zig build also compiles zig's own C and C++ runtimes: minutes, once per machine.
    build = subprocess.run(
        ["bash", str(ROOT / "scripts" / "build_wheel.sh")], cwd=ROOT, capture_output=True, text=True, timeout=2400
    )
    assert build.returncode == 0, build.stdout[-2000:] + build.stderr[-4000:]
    wheels = glob.glob(str(ROOT / "dist" / "kelvo_web-*manylinux*.whl"))
    assert len(wheels) == 1, wheels
    return wheels[0]


@pytest.fixture(scope="module")
def fresh_venv(wheel, tmp_path_factory):
    home = tmp_path_factory.mktemp("wheel-venv")
    venv.create(home, with_pip=True)
    python = str(home / "bin" / "python")
    install = _run([python, "-m", "pip", "install", "-q", wheel, "pytest-playwright==0.10.0"])
    assert install.returncode == 0, install.stderr[-4000:]
    return python


@pytest.fixture(scope="module")
def site(tmp_path_factory):
    folder = tmp_path_factory.mktemp("site")
    (folder / "index.html").write_text(PAGE)
    return folder


def test_installed_modules_need_no_system_icu_or_simdjson(fresh_venv):
    where = _run([fresh_venv, "-c", "import kelvo_web, os; print(os.path.dirname(kelvo_web.__file__))"])
    package = Path(where.stdout.strip())
    modules = sorted(package.rglob("*.so"))
    # One extension module; a system-toolchain wheel keeps the core's libraries beside it in _core.
    assert [m.name.split(".")[0] for m in modules if m.parent.name != "_core"] == ["_native"], modules
    for module in modules:
        ldd = _run(["ldd", str(module)]).stdout
        assert "not found" not in ldd, (module, ldd)
        assert "libicu" not in ldd, (module, ldd)
        for line in ldd.splitlines():
            if "simdjson" in line:
                assert "kelvo_web.libs" in line, (module, line)


def test_the_wheel_installs_on_any_common_linux(wheel):
    # manylinux_2_17 (glibc 2.17, as CentOS 7, RHEL 8, Ubuntu 18.04 and later have).
    assert "manylinux_2_17_x86_64" in Path(wheel).name


def test_errors_of_the_core_reach_python_as_their_own_kind(fresh_venv):
    # The module carries its own C++ runtime; an exception thrown by the core must still be
    # caught and turned into ValueError/TypeError by the module, never "could not be translated".
    probe = """
from kelvo_web.engine.agent.grammar import InstructionParser
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
for call in (lambda: InstructionParser().parse("frobnicate x"),
             lambda: MatrixBuilder([{"bounding_box": {"x": "1"}}], []).build()):
    try:
        call()
    except Exception as error:
        print(type(error).__name__)
"""
    run = _run([fresh_venv, "-c", probe])
    assert run.stdout.split() == ["ValueError", "TypeError"], run.stdout + run.stderr[-2000:]


def test_native_lists_are_read_by_every_module(fresh_venv):
    # Each module links its own copy of the core: the harvester's native records must still be
    # read in place by the others, and their answers be the list's own items.
    probe = """
from kelvo_web.engine.agent import _ladder
from kelvo_web.engine.browser.harvester import _native_records
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
from kelvo_web.engine.strategies.matcher import DOMStrategy
box = {"x": 0, "y": 0, "width": 10, "height": 10}
elements = _native_records([{"tag": "button", "text": "Help", "bounding_box": box, "xpath": "/html[1]/body[1]/a[1]"}])
texts = _native_records([{"tag": "p", "text": "Help", "bounding_box": box, "xpath": "/html[1]/body[1]"}])
found = DOMStrategy().resolve({"action": "click", "target": "Help"}, elements, texts)["element"]
entries = MatrixBuilder(elements, texts).build()
print(found is elements[0], entries[0]["element"] is elements[0], _ladder.row_of(found["xpath"], texts))
"""
    run = _run([fresh_venv, "-c", probe])
    assert run.stdout.split() == ["True", "True", "0"], run.stdout + run.stderr[-2000:]


def _suite(tmp_path, site, body, conftest=""):
    (tmp_path / "test_suite.py").write_text(body)
    (tmp_path / "conftest.py").write_text(conftest)
    (tmp_path / "kelvo.web.config.py").write_text(f"URL = {(site / 'index.html').as_uri()!r}\n")
    return tmp_path


def _pytest(python, folder, *args):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("PYTEST_", "KELVO_"))}
    return _run([python, "-m", "pytest", "-q", "-p", "no:cacheprovider", *args], cwd=folder, env=env)


def test_a_suite_runs_without_pytest_playwright(fresh_venv, site, tmp_path):
    folder = _suite(tmp_path, site, SUITE)
    run = _pytest(fresh_venv, folder, "-p", "no:playwright")
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    assert "1 passed" in run.stdout
    assert (folder / "test_report" / "report.html").exists()


def test_page_and_agent_mix_with_pytest_playwright(fresh_venv, site, tmp_path):
    folder = _suite(tmp_path, site, SUITE + MIXED, CONFTEST)
    # --kelvo-headed maps onto --headed; only the option is checked (no display here), so the
    # browser tests run in a second, headless run.
    headed = _pytest(fresh_venv, folder, "--kelvo-headed", "-k", "headed_option")
    assert headed.returncode == 0, headed.stdout[-3000:]
    run = _pytest(fresh_venv, folder, "-k", "not headed_option", "--base-url", (site / "index.html").as_uri())
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    assert "3 passed" in run.stdout
