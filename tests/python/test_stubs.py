"""The package as built: the .pyi stubs describe its extension modules, and its modules import
one way, so an agent works without pytest."""

import ast
import importlib
import pathlib
import pkgutil
import subprocess
import sys

import pytest

import kelvo_web

ROOT = pathlib.Path(__file__).resolve().parents[2]

MODULES = sorted(info.name for info in pkgutil.walk_packages(kelvo_web.__path__, "kelvo_web."))
PLUGIN_MODULES = {  # pytest's own
    "kelvo_web.harness.fixtures",
    "kelvo_web.harness.reporter",
    "kelvo_web.harness.playwright_launch",
}

# Run in an interpreter of its own, where importing pytest fails unless `allow_pytest`.
FRESH = """
import importlib, sys
if not {allow_pytest}:
    sys.modules["pytest"] = sys.modules["_pytest"] = None
importlib.import_module({module!r})
from kelvo_web import WebAgent
{check}
"""


def _fresh(module, check, cwd, allow_pytest=False):
    code = FRESH.format(allow_pytest=allow_pytest, module=module, check=check)
    run = subprocess.run([sys.executable, "-c", code], cwd=cwd, capture_output=True, text=True)
    assert run.returncode == 0, run.stdout + run.stderr


def test_every_stub_matches_its_built_module():
    run = subprocess.run(
        [sys.executable, str(ROOT / "scripts" / "make_stubs.py"), "--check"], capture_output=True, text=True
    )
    assert run.returncode == 0, run.stdout + run.stderr


@pytest.mark.parametrize("module", MODULES)
def test_each_module_imports_first_and_an_agent_needs_no_pytest(module, tmp_path):
    # Imported first, a module in an import circle finds its partner half made; building the
    # agent reads the settings and the configuration file, which must not reach for pytest.
    check = 'agent = WebAgent("about:blank")\nassert agent._page is None, "building an agent opened a page"'
    _fresh(module, check, tmp_path, allow_pytest=module in PLUGIN_MODULES)


def test_a_broken_configuration_file_stops_an_agent_without_pytest(tmp_path):
    tmp_path.joinpath("kelvo.web.config.py").write_text("URL = 'x'\nraise RuntimeError('boom')\n")
    check = """from kelvo_web.engine.settings import ConfigError
try:
    WebAgent()
except ConfigError as error:
    assert "kelvo.web.config.py, line 2: RuntimeError: boom" in str(error), error
else:
    raise AssertionError("the broken file went unnoticed")"""
    _fresh("kelvo_web", check, tmp_path)


def _imports(module):
    """The package's modules `module` names in its imports, those inside functions too."""
    # The module's file; a binding's submodule (which the module at its path stands for) has none.
    origin = getattr(importlib.import_module(module), "__file__", None)
    if not origin or not origin.endswith(".py"):
        return set()  # an extension module
    named = set()
    for node in ast.walk(ast.parse(pathlib.Path(origin).read_text(encoding="utf-8"))):
        if isinstance(node, ast.Import):
            named.update(alias.name for alias in node.names)
        elif isinstance(node, ast.ImportFrom) and node.level == 0 and node.module:
            # `from package import submodule` names the submodule, else the package itself.
            named.update(
                f"{node.module}.{alias.name}" if f"{node.module}.{alias.name}" in MODULES else node.module
                for alias in node.names
            )
    return {name for name in named if name in MODULES or name == "kelvo_web"}


def test_no_module_imports_one_that_imports_it_back():
    # A function-level import closes a circle as surely as a top-level one, only later: the
    # agent once reached the pytest plug-in that way through the settings.
    graph = {name: _imports(name) for name in MODULES + ["kelvo_web"]}
    done, path = set(), []

    def visit(name):
        if name in path:
            raise AssertionError("import circle: " + " -> ".join(path[path.index(name) :] + [name]))
        if name in done:
            return
        path.append(name)
        for target in sorted(graph.get(name, ())):
            visit(target)
        path.pop()
        done.add(name)

    for name in sorted(graph):
        visit(name)


TYPED_USE = """
from kelvo_web import StepFailure, WebAgent


def checkout(agent: WebAgent) -> str:
    result = agent.run("click Add to cart", timeout=2000)
    agent.run_all(["click Basket", "verify text Total is 42"])
    try:
        agent.run("click Pay")
    except StepFailure as failure:
        return str(failure.step)
    return str(result["resolved_by"]) + agent.page.url


with WebAgent(url="http://shop.test/", screenshots=True, strict=True) as agent:
    checkout(agent)
"""


def test_a_test_using_the_agent_passes_mypy_strict(tmp_path):
    pytest.importorskip("mypy")
    (tmp_path / "use.py").write_text(TYPED_USE)
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "cache"), "use.py"],
        cwd=tmp_path, capture_output=True, text=True,
    )
    assert run.returncode == 0, run.stdout + run.stderr
