"""pytest plug-in: the report option, project configuration and the `agent` fixture."""

import ast
import hashlib
import os
import re

import pytest

from kelvo_web import WebAgent
from kelvo_web.engine import settings
from kelvo_web.harness import live_agents
from kelvo_web.harness.reporter import (
    SHIPPED_BROWSER,
    SHIPPED_STEPS,
    TRACE_ATTRIBUTE,
    KelvoReporter,
    check_report_path,
)

CONFIG_FILE_NAME = "kelvo.web.config.py"


def pytest_addoption(parser):
    group = parser.getgroup("kelvo")
    group.addoption(
        "--kelvo-report",
        action="store",
        default=None,
        help="Path to kelvo HTML report output file",
    )
    group.addoption(
        "--kelvo-headed",
        action="store_true",
        default=None,
        help="Show the browser window of kelvo steps (with pytest-playwright: same as --headed)",
    )
    group.addoption(
        "--kelvo-browser-channel",
        action="store",
        default=None,
        help="Installed branded browser for kelvo steps: chrome, msedge, ... "
        "(with pytest-playwright: same as --browser-channel)",
    )


def pytest_configure(config):
    _apply_browser_options(config)
    # Read once, where the run started: a test that changes directory changes nothing.
    cfg = _load_project_config(config.invocation_params.dir)
    _check_settings(cfg, _find_project_config(config.invocation_params.dir))
    config._kelvo_project_config = cfg
    _run_configs.append((config, cfg))
    result_dir = cfg.get("RESULT_DIR", "test_report")
    report_path = config.getoption("--kelvo-report", default=None)
    if report_path is None:
        report_path = os.path.join(result_dir, "report.html")
        source = f"RESULT_DIR in {CONFIG_FILE_NAME}"
    else:
        source = "--kelvo-report"
    config._kelvo_result_dir = result_dir
    config._kelvo_trace_dir = os.path.join(os.path.dirname(os.path.realpath(report_path or ".")), "traces")
    # Under pytest-xdist only the controller sees every test; it writes the one report.
    if _is_xdist_worker(config):
        return
    if not config.pluginmanager.has_plugin("kelvo_reporter"):
        # Before any test runs: a path that cannot take the report is a usage error.
        check_report_path(report_path, source)
        reporter = KelvoReporter(report_path, config)
        reporter.base_url = cfg.get("URL")
        config.pluginmanager.register(reporter, "kelvo_reporter")


def pytest_unconfigure(config):
    _run_configs[:] = [entry for entry in _run_configs if entry[0] is not config]


@pytest.fixture
def agent(request):
    cfg = getattr(request.config, "_kelvo_project_config", None)
    if cfg is None:
        cfg = _load_project_config()
    url = cfg.get("URL")
    page = None
    if _playwright_plugin_active(request.config):
        # One browser for `page` and `agent`, launched by pytest-playwright with its options;
        # its --base-url (the command line) wins over the file's URL.
        page = request.getfixturevalue("page")
        url = request.getfixturevalue("base_url") or url
    options = {"page": page} if page is not None else {}  # a page of its own unless one is given
    web_agent = WebAgent(url=url, screenshots=cfg.get("SCREENSHOTS_ON_FAILURE", False), **options)
    yield web_agent
    web_agent.close()
    config = request.config
    if not hasattr(config, "_kelvo_steps"):
        config._kelvo_steps = {}
    config._kelvo_steps[request.node.nodeid] = web_agent._steps
    if _is_xdist_worker(config):
        # The teardown report travels to the controller and carries the steps with it.
        request.node.user_properties.append((SHIPPED_STEPS, _portable(web_agent._steps)))


@pytest.hookimpl(hookwrapper=True)
def pytest_fixture_setup(fixturedef, request):
    # pytest-playwright's session-wide Playwright and ours cannot both run in one thread:
    # ours stops before its starts, and our browser then runs on its instance until it ends.
    if fixturedef.argname != "playwright" or not _playwright_plugin_active(request.config):
        yield
        return
    from kelvo_web import browser

    browser.release_playwright()
    outcome = yield
    if outcome.excinfo is None:
        browser.adopt_playwright(fixturedef.cached_result[0])
        fixturedef.addfinalizer(lambda: browser.adopt_playwright(None))


def _playwright_plugin_active(config):
    return config.pluginmanager.has_plugin("playwright")


def _apply_browser_options(config):
    headed = config.getoption("--kelvo-headed", default=None)
    channel = config.getoption("--kelvo-browser-channel", default=None)
    if _playwright_plugin_active(config):
        # pytest-playwright launches the one browser: our options feed its own.
        if headed:
            config.option.headed = True
        if channel and not getattr(config.option, "browser_channel", None):
            config.option.browser_channel = channel
        return
    settings.set_overrides(HEADLESS=False if headed else None, BROWSER_CHANNEL=channel)


# The configuration of each run going on in this process, innermost last (a run can start
# another in the same process, as pytester's do).
_run_configs = []

# Outside a run: executed configurations by file and version; the file is read on every
# lookup, but only run again once it changed.
_loaded_configs = {}

# The keys the plug-in itself reads: what each accepts, and how to say so.
_PLUGIN_KEYS = {
    "URL": (lambda v: v is None or isinstance(v, str), "text (the address tests start at) or None"),
    "RESULT_DIR": (lambda v: isinstance(v, (str, os.PathLike)), "a path"),
    "SCREENSHOTS_ON_FAILURE": (lambda v: isinstance(v, bool), "True or False"),
}


def _load_project_config(start=None):
    """The project configuration: the nearest kelvo.web.config.py found upwards from `start`.

    With no `start`, the configuration of the pytest run going on (read where it started),
    else the one found from the working directory.
    """
    if start is None and _run_configs:
        return dict(_run_configs[-1][1])
    path = _find_project_config(os.getcwd() if start is None else start)
    if path is None:
        return {}
    source = _read_source(path)
    key = (path, source)
    if start is not None or key not in _loaded_configs:
        cfg = _run_source(path, source)  # a run reads its file afresh, once
        _loaded_configs.clear()  # one file version at a time is enough
        _loaded_configs[key] = cfg
    return dict(_loaded_configs[key])


def _find_project_config(start):
    directory = os.path.abspath(start)
    while True:
        candidate = os.path.join(directory, CONFIG_FILE_NAME)
        if os.path.exists(candidate):
            return candidate
        parent = os.path.dirname(directory)
        if parent == directory:
            return None
        directory = parent


def _read_source(path):
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as error:
        raise pytest.UsageError(
            f"{CONFIG_FILE_NAME} could not be read: {path}: {error.strerror or error}. "
            "Make it a readable file, or remove it."
        ) from None


def _run_source(path, source):
    """Run the file as Python runs a script: bytes, so a BOM or a coding line is honoured."""
    try:
        code = compile(source, path, "exec", dont_inherit=True)
    except (SyntaxError, ValueError) as error:
        line = getattr(error, "lineno", None) or _fault_line(source)
        raise _config_fault(path, line, error, getattr(error, "msg", None) or str(error)) from None
    cfg = {}
    try:
        exec(code, cfg, cfg)
    except KeyboardInterrupt:
        raise
    except BaseException as error:  # SystemExit too: a file cannot end the run without a word
        line = None
        traceback = error.__traceback__
        while traceback is not None:
            if traceback.tb_frame.f_code.co_filename == path:
                line = traceback.tb_lineno
            traceback = traceback.tb_next
        raise _config_fault(path, line, error, str(error)) from None
    return cfg


def _fault_line(source):
    # Faults compile places nowhere: a NUL byte, or a coding line naming no known encoding.
    if b"\0" in source:
        return source.count(b"\n", 0, source.index(b"\0")) + 1
    for number, line in enumerate(source.splitlines()[:2], start=1):
        if re.match(rb"^[ \t\f]*#.*?coding[:=]", line):
            return number
    return 1


def _config_fault(path, line, error, detail):
    where = f"{path}, line {line}" if line else path
    what = f"{type(error).__name__}: {detail}" if detail else type(error).__name__
    return pytest.UsageError(
        f"{CONFIG_FILE_NAME} could not be run: {where}: {what}. It is read as Python source: correct it and run again."
    )


def _check_settings(cfg, path):
    """Every key the run will use, checked once before any test: one clear usage error."""
    for key, value in cfg.items():
        problem = None
        if key in _PLUGIN_KEYS:
            accepts, accepted = _PLUGIN_KEYS[key]
            if not accepts(value):
                problem = f"{key} in {CONFIG_FILE_NAME} must be {accepted}, not {settings._shown(value)}"
        elif key in settings.BROWSER_SETTINGS:
            try:
                settings.config_value(key, value)
            except ValueError as error:
                problem = str(error)
        if problem:
            line = _assignment_line(path, key)
            where = f"{path}, line {line}" if line else path
            raise pytest.UsageError(f"{problem}. Change it in {where}.")
    try:
        settings.browser_options(cfg)  # the environment's values, and the command line's
    except ValueError as error:
        raise pytest.UsageError(f"{error}.") from None


def _assignment_line(path, key):
    """The line of the file's last top-level assignment to `key`, if it has one."""
    try:
        tree = ast.parse(_read_source(path), path)
    except (SyntaxError, ValueError, pytest.UsageError):
        return None
    line = None
    for node in tree.body:
        targets = node.targets if isinstance(node, ast.Assign) else [getattr(node, "target", None)]
        stored = (n for t in targets if t is not None for n in ast.walk(t))
        if key in [n.id for n in stored if isinstance(n, ast.Name) and isinstance(n.ctx, ast.Store)]:
            line = node.lineno
    return line


# -- every agent of a test: recorded, traced and closed ------------------------------------


@pytest.hookimpl(tryfirst=True)
def pytest_runtest_setup(item):
    live_agents.begin(item.nodeid)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if call.when == "call" and _trace_mode():
        # Before teardown closes the agents' contexts: save or drop each one's trace.
        keep = _trace_mode() == "on" or report.failed
        name = _trace_file_name(item.nodeid)
        saved = []
        for number, agent in enumerate(_agents_of(item), start=1):
            path = os.path.join(item.config._kelvo_trace_dir, name if number == 1 else f"{number}-{name}")
            if _stop_trace(agent, path if keep else None):
                saved.append(path)
        if saved:
            setattr(report, TRACE_ATTRIBUTE, "traces/" + name)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_teardown(item, nextitem):
    yield
    _finish_agents(item)


def _finish_agents(item):
    """Close the agents the fixture did not (a test may make its own) and keep all their steps."""
    agents = live_agents.release(item.nodeid)
    config = item.config
    if not agents:
        return
    steps_map = getattr(config, "_kelvo_steps", None)
    if steps_map is None:
        steps_map = config._kelvo_steps = {}
    stored = steps_map.get(item.nodeid)
    for agent in agents:
        if agent._steps is stored:
            continue  # the fixture's agent, closed by the fixture
        try:
            agent.close()
        except Exception:
            pass
    if len(agents) > 1 or item.nodeid not in steps_map:
        steps_map[item.nodeid] = live_agents.steps_of(agents)
    if _is_xdist_worker(config):
        # The teardown report travels to the controller and carries the steps with it.
        properties = [p for p in item.user_properties if p[0] != SHIPPED_STEPS]
        properties.append((SHIPPED_STEPS, _portable(steps_map[item.nodeid])))
        version = _browser_version()
        if version:
            properties.append((SHIPPED_BROWSER, version))
        item.user_properties[:] = properties


def _agents_of(item):
    """The test's agents: those registered while it ran, and the fixture's own."""
    agents = live_agents.agents_of(item.nodeid)
    fixture_agent = getattr(item, "funcargs", {}).get("agent")
    if fixture_agent is not None and not any(a is fixture_agent for a in agents):
        agents.insert(0, fixture_agent)
    return agents


def _trace_mode():
    mode = os.environ.get("KELVO_TRACE", "").strip().lower()
    return mode if mode in ("on", "retain-on-failure") else None


def _stop_trace(agent, path):
    """Stop the agent's trace, saving it at `path` (None drops it); True when saved."""
    page = getattr(agent, "_page", None)  # None: the agent never opened its page
    if page is None:
        return False
    try:
        if path:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            page.context.tracing.stop(path=path)
            return True
        page.context.tracing.stop()
    except Exception:
        pass  # the browser went away, or the context was not traced
    return False


def _trace_file_name(nodeid):
    readable = re.sub(r"[^A-Za-z0-9_.-]+", "-", nodeid).strip("-")[-80:]
    digest = hashlib.sha1(nodeid.encode("utf-8", "surrogatepass")).hexdigest()[:8]
    return f"{readable}-{digest}.zip"


def _browser_version():
    from kelvo_web import browser

    found = getattr(browser, "_browser", None)
    try:
        return f"Chromium {found.version}" if found is not None and found.is_connected() else None
    except Exception:
        return None


def _is_xdist_worker(config):
    return hasattr(config, "workerinput")


def _portable(steps):
    """Steps as plain values the worker channel can carry; anything else as its text."""
    plain = (str, int, float, bool, type(None))

    def value(v):
        v = v if isinstance(v, plain) else str(v)
        # The channel writes UTF-8: a lone surrogate travels escaped.
        return v.encode("utf-8", "backslashreplace").decode("utf-8") if isinstance(v, str) else v

    if not isinstance(steps, (list, tuple)):
        return value(steps)
    return [{str(k): value(v) for k, v in step.items()} if isinstance(step, dict) else value(step) for step in steps]
