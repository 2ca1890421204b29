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


CDP_RUN = """
from kelvo_web import WebAgent
agent = WebAgent()
agent.page.set_content("<button onclick=\\"this.textContent = 'Saved'\\">Save</button>")
agent.run("click Save")
print(agent.page.text_content("button"))
agent.close()
"""


@pytest.fixture
def devtools_browser(tmp_path):
    """A Chromium listening for DevTools on loopback, as a grid node would: (port, browser path)."""
    import subprocess
    import time

    profile = tmp_path / "profile"
    chromium = subprocess.Popen(
        [browser.chromium_path(), "--headless=new", *browser.CHROMIUM_ARGS, "--remote-debugging-port=0",
         "--remote-debugging-address=127.0.0.1", f"--user-data-dir={profile}", "about:blank"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
    )
    active = profile / "DevToolsActivePort"
    for _ in range(200):
        if active.exists() and len(active.read_text().splitlines()) == 2:
            break
        time.sleep(0.05)
    port, path = active.read_text().splitlines()
    yield port, path
    chromium.kill()
    chromium.wait()


@pytest.mark.parametrize(
    "name, address, said, why",
    [
        ("KELVO_BROWSER_CDP", "http://127.0.0.1:{port}", "Saved", "the DevTools address a grid gives"),
        ("KELVO_BROWSER_CDP", "ws://127.0.0.1:{port}{path}", "Saved", "its browser's own ws address"),
        ("KELVO_BROWSER_WS", "ws://127.0.0.1:{port}{path}", "Saved", "given where a Playwright server's goes"),
        ("KELVO_BROWSER_CDP", "http://127.0.0.1:9", "DevTools endpoint at http://127.0.0.1:9", "nothing listens"),
    ],
)
def test_a_running_chromium_is_reached_through_devtools(devtools_browser, tmp_path, name, address, said, why):
    import subprocess
    import sys

    port, path = devtools_browser
    env = {k: v for k, v in os.environ.items() if not k.startswith("KELVO_BROWSER")}
    env[name] = address.format(port=port, path=path)
    script = tmp_path / "cdp_run.py"
    script.write_text(CDP_RUN)
    run = subprocess.run([sys.executable, str(script)], env=env, capture_output=True, text=True, timeout=60)
    assert said in run.stdout + run.stderr, (why, run.stdout, run.stderr[-2000:])
