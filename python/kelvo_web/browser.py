"""The one place that starts Chromium, for the agent and for the tests alike.

One browser per process, started on first use and closed at exit; every caller gets a
fresh context and page, so tests never share cookies or storage.
"""

import atexit
import os
import shutil

CHROMIUM_ARGS = [
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
]

_playwright = None
_browser = None


def chromium_path():
    """The Chromium to launch: KELVO_BROWSER_PATH, else Debian's, else one on PATH."""
    configured = os.environ.get("KELVO_BROWSER_PATH")
    if configured:
        return configured
    for candidate in ("/usr/bin/chromium", "chromium", "chromium-browser", "google-chrome"):
        found = shutil.which(candidate)
        if found:
            return found
    raise RuntimeError(
        "No Chromium found. Install one (Debian/Ubuntu: `sudo apt-get install chromium`) "
        "or set KELVO_BROWSER_PATH to a Chromium or Chrome executable."
    )


def get_browser():
    """The process's shared browser, launched on first use."""
    global _playwright, _browser
    if _browser is not None and _browser.is_connected():
        return _browser
    from playwright.sync_api import sync_playwright

    if _playwright is None:
        _playwright = sync_playwright().start()
        atexit.register(close_browser)
    headless = os.environ.get("KELVO_HEADLESS", "1").lower() not in ("0", "false", "no")
    _browser = _playwright.chromium.launch(
        executable_path=chromium_path(), args=CHROMIUM_ARGS, headless=headless
    )
    return _browser


def new_page():
    """A fresh page in its own browser context; close it with page.context.close()."""
    context = get_browser().new_context()
    return context.new_page()


def close_browser():
    global _playwright, _browser
    if _browser is not None:
        try:
            _browser.close()
        except Exception:
            pass
        _browser = None
    if _playwright is not None:
        try:
            _playwright.stop()
        except Exception:
            pass
        _playwright = None
