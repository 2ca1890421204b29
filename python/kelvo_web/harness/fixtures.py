"""pytest plug-in: the report option, project configuration and the `agent` fixture."""

import hashlib
import os
import re

import pytest

from kelvo_web import WebAgent
from kelvo_web.engine import settings
from kelvo_web.harness import live_agents, other_reports, playwright_launch, step_files
from kelvo_web.harness.reporter import (
    SHIPPED_BROWSER,
    SHIPPED_STEPS,
    TRACE_ATTRIBUTE,
    KelvoReporter,
    check_report_path,
)

CONFIG_FILE_NAME = settings.CONFIG_FILE_NAME


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
        "--kelvo-timeout",
        action="store",
        default=None,
        metavar="MS",
        help="How long each kelvo step retries, in milliseconds (STEP_TIMEOUT_MS in kelvo.web.config.py, "
        "KELVO_STEP_TIMEOUT_MS); agent.run(step, timeout=MS) sets one step's",
    )
    group.addoption(
        "--kelvo-strict",
        action="store_true",
        default=None,
        help="Fail a kelvo step whose words name several elements alike, instead of taking the first "
        "(STRICT in kelvo.web.config.py, KELVO_STRICT)",
    )
    group.addoption(
        "--kelvo-browser-channel",
        action="store",
        default=None,
        help="Installed branded browser for kelvo steps: chrome, msedge, ... "
        "(with pytest-playwright: same as --browser-channel)",
    )
    group.addoption(
        "--kelvo-url",
        action="store",
        default=None,
        help="Start address of every test, instead of URL of kelvo.web.config.py",
    )


def pytest_configure(config):
    if _playwright_plugin_active(config):
        # Registered after every plug-in, so its fixture wraps pytest-playwright's own.
        config.pluginmanager.register(playwright_launch, "kelvo_playwright_launch")
    _apply_browser_options(config)
    # Read once, where the run started: a test that changes directory changes nothing.
    cfg = _load_project_config(config.invocation_params.dir)
    found_at = _find_project_config(config.invocation_params.dir)
    _check_settings(cfg, found_at)
    for warning in settings.misspelt_keys(cfg, found_at):
        config.issue_config_time_warning(warning, stacklevel=2)
    url = config.getoption("--kelvo-url", default=None)
    if url is not None:
        cfg["URL"] = url
    config._kelvo_project_config = cfg
    for tag in cfg.get("TAGS") or ():
        # Step files' tags are markers: -m selects them, --strict-markers knows them.
        config.addinivalue_line("markers", f"{tag}: a tag of kelvo step files (TAGS in {CONFIG_FILE_NAME})")
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
    # Collecting only runs no test: the last run's report stays as it is.
    if config.option.collectonly:
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
    """A kelvo WebAgent for plain-English steps: agent.run("click Sign in"), agent.run_all(...).

    It starts at URL of kelvo.web.config.py (or pytest-playwright's --base-url, sharing its
    page when that plug-in is active), records its steps for the kelvo report, and closes
    after the test."""
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
    if page is not None and (request.config.getoption("--tracing", default=None) or "off") != "off":
        web_agent.trace_steps = True  # pytest-playwright records the page's trace: name the steps in it
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
    strict = config.getoption("--kelvo-strict", default=None)
    timeout = config.getoption("--kelvo-timeout", default=None)
    if timeout is not None:
        try:
            timeout = settings.step_timeout("--kelvo-timeout", timeout)
        except ValueError as error:
            raise pytest.UsageError(str(error)) from None
    if _playwright_plugin_active(config):
        settings.set_overrides(STRICT=True if strict else None, STEP_TIMEOUT_MS=timeout)
        # pytest-playwright launches the one browser: our options feed its own.
        if headed:
            config.option.headed = True
        if channel and not getattr(config.option, "browser_channel", None):
            config.option.browser_channel = channel
        return
    settings.set_overrides(
        HEADLESS=False if headed else None,
        BROWSER_CHANNEL=channel,
        STRICT=True if strict else None,
        STEP_TIMEOUT_MS=timeout,
    )


# The project configuration is read in `settings`, which an agent outside pytest reads as
# well; these names stay here for the plug-in's users. Its faults stop a run as usage errors.
_run_configs = settings._run_configs
_loaded_configs = settings._loaded_configs
_PLUGIN_KEYS = settings._PLUGIN_KEYS
_find_project_config = settings._find_project_config
_read_source = settings._read_source
_run_source = settings._run_source
_fault_line = settings._fault_line
_config_fault = settings._config_fault
_assignment_line = settings._assignment_line


def _load_project_config(start=None):
    """The project configuration (see `settings._load_project_config`); a fault is a usage error."""
    try:
        return settings._load_project_config(start)
    except settings.ConfigError as error:
        raise pytest.UsageError(str(error)) from None


def _check_settings(cfg, path):
    """Every key the run will use, checked once before any test: one clear usage error."""
    try:
        settings._check_settings(cfg, path)
    except settings.ConfigError as error:
        raise pytest.UsageError(str(error)) from None


# -- step files: tests written as text ---------------------------------------------------------


def pytest_collect_file(file_path, parent):
    if step_files.is_step_file(file_path):
        return StepFile.from_parent(parent, path=file_path)
    return None


def _run_config(config):
    cfg = getattr(config, "_kelvo_project_config", None)
    return cfg if cfg is not None else _load_project_config()


class StepFile(pytest.File):
    """A step file: every problem in it is found before any of its tests runs."""

    def collect(self):
        shown = _shown_path(self.path, self.config.invocation_params.dir)
        read = step_files.read_file(self.path, step_files.Settings.from_config(_run_config(self.config)), shown)
        if read.problems:
            # One collection error: nothing runs, and every problem is listed as path:line.
            raise self.CollectError("\n".join(map(str, read.problems)))
        for test in read.tests:
            item = StepTest.from_parent(self, name=test.name, test=test, secrets=read.secrets)
            for tag in test.tags:
                item.add_marker(tag)
            yield item


class StepTest(pytest.Item):
    """One test of a step file, run by an agent of its own."""

    def __init__(self, *, test, secrets, **kwargs):
        super().__init__(**kwargs)
        self.test = test
        self.secrets = secrets

    def runtest(self):
        cfg = _run_config(self.config)
        screenshots = cfg.get("SCREENSHOTS_ON_FAILURE", False)
        web_agent = WebAgent(url=self.test.start or cfg.get("URL"), screenshots=screenshots)
        try:
            step_files.run_steps(web_agent, self.test, self.secrets)
        finally:
            web_agent.close()  # the plug-in keeps its steps for the report (live_agents)

    def repr_failure(self, excinfo):
        failure = excinfo.value
        if isinstance(failure, step_files.StepFileFailure):
            lines = failure.detail.splitlines() or [""]
            said = " ".join(line.strip() for line in lines[:2] if line.strip())
            # The first line is what pytest's summary shows, the last what the report's row
            # does: each says where and what.
            return f"{failure.where}: {failure.detail}\n{failure.where}: {said}"
        return step_files.mask(str(super().repr_failure(excinfo)), self.secrets)

    def reportinfo(self):
        return self.path, self.test.line - 1, f"{self.test.path}:{self.test.line}: {self.name}"


def _shown_path(path, start):
    try:
        return os.path.relpath(path, start)
    except ValueError:  # another drive
        return str(path)


# -- every agent of a test: recorded, traced and closed ------------------------------------


@pytest.hookimpl(tryfirst=True)
def pytest_runtest_setup(item):
    live_agents.begin(item.nodeid)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if call.when == "call" and report.failed and call.excinfo is not None:
        # A test can fail after its steps passed; its page then is what a tester needs to see.
        said = call.excinfo.exconly().strip().splitlines()
        for agent in _agents_of(item):
            try:
                agent._picture_failed_test(said[0] if said else "the test failed")
            except Exception:
                pass  # a page gone with the failure has nothing to show
    if call.when == "call":
        other_reports.add_to(item, report, live_agents.steps_of(_agents_of(item)))
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
