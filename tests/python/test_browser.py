import os

import pytest

from kelvo_web import browser


def test_fresh_pages_share_no_storage(page):
    page.goto("data:text/html,<title>one</title>")
    other = browser.new_page()
    try:
        assert other.context is not page.context
        assert page.context.browser is other.context.browser
    finally:
        other.context.close()


class _FakeChromiumType:
    def __init__(self, path):
        self.executable_path = path


class _FakePlaywright:
    """Stands in for a Playwright whose own Chromium may or may not be installed."""

    def __init__(self, path):
        self.chromium = _FakeChromiumType(path)


@pytest.fixture
def no_system_chromium(monkeypatch):
    monkeypatch.setattr(browser, "SYSTEM_CHROMIUMS", ("/nonexistent/chromium",))
    monkeypatch.delenv("KELVO_BROWSER_PATH", raising=False)


def test_the_system_chromium_comes_before_playwrights_own(tmp_path):
    assert browser.chromium_path(None, _FakePlaywright(str(tmp_path / "chrome"))) == "/usr/bin/chromium"


def test_playwrights_own_chromium_when_the_system_has_none(no_system_chromium):
    managed = os.path.realpath("/usr/bin/chromium")
    assert browser.chromium_path(None, _FakePlaywright(managed)) == managed


@pytest.mark.parametrize("playwright", [None, _FakePlaywright("/nonexistent/ms-playwright/chrome")])
def test_no_chromium_at_all_names_playwright_install(no_system_chromium, playwright):
    with pytest.raises(RuntimeError, match=r"No Chromium found\. Run `playwright install chromium`"):
        browser.chromium_path(None, playwright)


OPTIONS = {"BROWSER_PATH": None, "HEADLESS": True, "STEP_TIMEOUT_MS": 5000, "BROWSER_WS": None, "BROWSER_CHANNEL": None}


@pytest.mark.parametrize(
    "changes, expected",
    [
        ({}, {"headless": True, "executable_path": "/usr/bin/chromium"}),
        ({"HEADLESS": False}, {"headless": False, "executable_path": "/usr/bin/chromium"}),
        ({"BROWSER_CHANNEL": "msedge"}, {"headless": True, "channel": "msedge"}),
        # a named executable is the more precise wish
        (
            {"BROWSER_CHANNEL": "chrome", "BROWSER_PATH": "/usr/bin/chromium"},
            {"headless": True, "executable_path": "/usr/bin/chromium"},
        ),
    ],
)
def test_launch_options(changes, expected):
    assert browser.launch_options(dict(OPTIONS, **changes)) == dict(expected, args=browser.CHROMIUM_ARGS)


def test_a_missing_channel_is_reported_with_the_option_to_change(page):
    playwright = browser._running_playwright()
    with pytest.raises(RuntimeError, match="channel 'no-such-channel' .*--kelvo-browser-channel"):
        browser._launch(playwright, dict(OPTIONS, BROWSER_CHANNEL="no-such-channel"))
