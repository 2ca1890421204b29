"""The one place that starts Chromium, for the agent and for the tests alike.

One browser per process, started on first use and closed at exit; every caller gets a
fresh context and page, so tests never share cookies or storage. With KELVO_BROWSER_WS the
browser is a remote Playwright server's instead of a local one.
"""

import atexit
import json
import os
import shutil

from kelvo_web.engine import settings

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


def chromium_path(configured=None):
    """The Chromium to launch: the configured one, else Debian's, else one on PATH."""
    configured = configured or os.environ.get("KELVO_BROWSER_PATH")
    if configured:
        found = shutil.which(configured)
        if not found:
            raise RuntimeError(
                f"The configured browser {configured!r} (KELVO_BROWSER_PATH) does not exist or "
                "is not executable. Point it at a Chromium or Chrome executable."
            )
        return found
    for candidate in ("/usr/bin/chromium", "chromium", "chromium-browser", "google-chrome"):
        found = shutil.which(candidate)
        if found:
            return found
    raise RuntimeError(
        "No Chromium found. Install one (Debian/Ubuntu: `sudo apt-get install chromium`), "
        "set KELVO_BROWSER_PATH to a Chromium or Chrome executable, or set KELVO_BROWSER_WS "
        "to a remote Playwright server."
    )


def remote_launch_options(options):
    """What a remote Playwright server is asked to launch: headless mode and our flags, and
    the executable only when one was configured (a server's own browser is the default)."""
    launch = {"headless": options["HEADLESS"], "args": CHROMIUM_ARGS}
    if options["BROWSER_PATH"]:
        launch["executablePath"] = options["BROWSER_PATH"]
    return launch


def _connect(playwright, options):
    endpoint = options["BROWSER_WS"]
    headers = {"x-playwright-launch-options": json.dumps(remote_launch_options(options))}
    try:
        return playwright.chromium.connect(endpoint, headers=headers)
    except Exception as error:
        first_line = str(error).strip().splitlines()[0] if str(error).strip() else type(error).__name__
        raise RuntimeError(
            f"Could not use the Playwright server at {endpoint} (KELVO_BROWSER_WS): {first_line}. "
            "Check that the server runs, that its Playwright version matches this one, and, "
            "when it should launch a browser you name with KELVO_BROWSER_PATH, that it was "
            "started with --unsafe."
        ) from error


# Browser log lines that say why Chromium could not start, best first; D-Bus complaints are
# printed on every start in a container and are never the reason.
_FATAL_HINTS = ("Missing X server", "cannot open display", "error while loading shared libraries",
                "without --no-sandbox", "No usable sandbox")


def launch_cause(message):
    """The browser's own reason in a failed launch's log (such as a missing display), or None;
    Playwright's first line only says the browser closed."""
    errors = []
    for line in message.splitlines():
        if "[err]" not in line:
            continue
        text = line.split("]")[-1].strip() if ":ERROR:" in line else line.split("[err]", 1)[1].strip()
        if any(hint in line for hint in _FATAL_HINTS):
            return text
        if ":ERROR:" in line and "dbus" not in line:
            errors.append(text)
    return errors[0] if errors else None


def _launch(playwright, options):
    executable = chromium_path(options["BROWSER_PATH"])
    try:
        return playwright.chromium.launch(executable_path=executable, args=CHROMIUM_ARGS,
                                          headless=options["HEADLESS"])
    except Exception as error:
        cause = launch_cause(str(error))
        if not cause:
            raise
        raise RuntimeError(f"Chromium ({executable}) could not start: {cause}") from error


def get_browser():
    """The process's shared browser, launched (or connected) on first use."""
    global _playwright, _browser
    if _browser is not None and _browser.is_connected():
        return _browser
    options = settings.browser_options()
    from playwright.sync_api import sync_playwright

    if _playwright is None:
        _playwright = sync_playwright().start()
        atexit.register(close_browser)
    if options["BROWSER_WS"]:
        _browser = _connect(_playwright, options)
    else:
        _browser = _launch(_playwright, options)
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
