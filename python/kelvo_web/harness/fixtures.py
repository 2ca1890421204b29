"""pytest plug-in: the report option, project configuration and the `agent` fixture."""

import os

import pytest

from kelvo_web import WebAgent
from kelvo_web.engine import settings
from kelvo_web.harness.reporter import SHIPPED_STEPS, KelvoReporter

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
    cfg = _load_project_config()
    result_dir = cfg.get("RESULT_DIR", "test_report")
    report_path = config.getoption("--kelvo-report", default=None)
    if report_path is None:
        if not isinstance(result_dir, (str, os.PathLike)):
            raise pytest.UsageError(
                f"RESULT_DIR in {CONFIG_FILE_NAME} must be a path, "
                f"not {type(result_dir).__name__}"
            )
        report_path = os.path.join(result_dir, "report.html")
    config._kelvo_result_dir = result_dir
    # Under pytest-xdist only the controller sees every test; it writes the one report.
    if _is_xdist_worker(config):
        return
    if not config.pluginmanager.has_plugin("kelvo_reporter"):
        config.pluginmanager.register(KelvoReporter(report_path, config), "kelvo_reporter")


@pytest.fixture
def agent(request):
    cfg = _load_project_config()
    url = cfg.get("URL")
    page = None
    if _playwright_plugin_active(request.config):
        # One browser for `page` and `agent`, launched by pytest-playwright with its options;
        # its --base-url (the command line) wins over the file's URL.
        page = request.getfixturevalue("page")
        url = request.getfixturevalue("base_url") or url
    web_agent = WebAgent(url=url, screenshots=cfg.get("SCREENSHOTS_ON_FAILURE", False), page=page)
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


def _load_project_config():
    """Run the nearest kelvo.web.config.py found upwards from the working directory."""
    directory = os.getcwd()
    while True:
        candidate = os.path.join(directory, CONFIG_FILE_NAME)
        if os.path.exists(candidate):
            cfg = {}
            with open(candidate) as handle:
                source = handle.read()
            exec(compile(source, candidate, "exec"), cfg, cfg)
            return cfg
        parent = os.path.dirname(directory)
        if parent == directory:
            return {}
        directory = parent


def _is_xdist_worker(config):
    return hasattr(config, "workerinput")


def _portable(steps):
    """Steps as plain values the worker channel can carry; anything else as its text."""
    plain = (str, int, float, bool, type(None))

    def value(v):
        return v if isinstance(v, plain) else str(v)

    if not isinstance(steps, (list, tuple)):
        return value(steps)
    return [
        {str(k): value(v) for k, v in step.items()} if isinstance(step, dict) else value(step)
        for step in steps
    ]
