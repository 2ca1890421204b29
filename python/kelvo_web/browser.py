"""The one place that starts Chromium, for the agent and for the tests alike.

One browser per process, started on first use and closed at exit; every caller gets a
fresh context and page, so tests never share cookies or storage. With KELVO_BROWSER_WS the
browser is a remote Playwright server's instead of a local one; with KELVO_BROWSER_CDP (or a
DevTools address in KELVO_BROWSER_WS) a running Chromium's, reached through CDP.

Playwright's sync API allows one running instance per thread. When another part of the
process owns one (pytest-playwright's `playwright` fixture), the plug-in hands it over with
`adopt_playwright` and the browser runs on it instead of on an instance of our own.
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

# A system Chromium first: on Linux it is kept up to date by the distribution.
SYSTEM_CHROMIUMS = ("/usr/bin/chromium", "chromium", "chromium-browser", "google-chrome")

_playwright = None  # our own Playwright instance, when no other one was adopted
_adopted = None  # a Playwright instance another part of the process started and owns
_browser = None


def managed_chromium(playwright):
    """Playwright's own Chromium (`playwright install chromium`), when it is installed."""
    if playwright is None:
        return None
    try:
        path = playwright.chromium.executable_path
    except Exception:
        return None
    return path if path and os.access(path, os.X_OK) else None


def chromium_path(configured=None, playwright=None):
    """The Chromium to launch: the configured one, else the system's (/usr/bin/chromium, then
    PATH), else the one Playwright installed itself (asked of `playwright`, when given)."""
    configured = configured or os.environ.get("KELVO_BROWSER_PATH")
    if configured:
        found = shutil.which(configured)
        if not found:
            raise RuntimeError(
                f"The configured browser {configured!r} (KELVO_BROWSER_PATH) does not exist or "
                "is not executable. Point it at a Chromium or Chrome executable."
            )
        return found
    for candidate in SYSTEM_CHROMIUMS:
        found = shutil.which(candidate)
        if found:
            return found
    managed = managed_chromium(playwright)
    if managed:
        return managed
    raise RuntimeError(
        "No Chromium found. Run `playwright install chromium` to get Playwright's own, "
        "install one from your system's packages (Debian/Ubuntu: `sudo apt-get install chromium`), "
        "set KELVO_BROWSER_PATH to a Chromium or Chrome executable, set KELVO_BROWSER_CHANNEL "
        "to an installed Chrome or Edge (chrome, msedge), or set KELVO_BROWSER_WS to a remote "
        "Playwright server."
    )


def remote_launch_options(options):
    """What a remote Playwright server is asked to launch: headless mode and our flags, and
    the executable only when one was configured (a server's own browser is the default)."""
    launch = {"headless": options["HEADLESS"], "args": CHROMIUM_ARGS}
    if options["BROWSER_PATH"]:
        launch["executablePath"] = options["BROWSER_PATH"]
    elif options.get("BROWSER_CHANNEL"):
        launch["channel"] = options["BROWSER_CHANNEL"]
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


def is_devtools_address(address):
    """Whether an address is a browser's DevTools endpoint rather than a Playwright server's:
    an http(s) address (the browser answers /json/version there) or a ws one on the
    browser's /devtools/browser/ path."""
    text = (address or "").strip().lower()
    return text.startswith(("http://", "https://")) or "/devtools/browser/" in text


def _connect_over_cdp(playwright, endpoint, source):
    try:
        return playwright.chromium.connect_over_cdp(endpoint)
    except Exception as error:
        raise RuntimeError(
            f"Could not use the browser's DevTools endpoint at {endpoint} ({source}): {_first_line(error)}. "
            "Check that the browser runs with --remote-debugging-port, that the address and port are "
            "reachable from here, and that it is a Chromium-based browser."
        ) from error


# Browser log lines that say why Chromium could not start, best first; D-Bus complaints are
# printed on every start in a container and are never the reason.
_FATAL_HINTS = (
    "Missing X server",
    "cannot open display",
    "error while loading shared libraries",
    "without --no-sandbox",
    "No usable sandbox",
)


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


def launch_options(options, playwright=None):
    """Keyword arguments of chromium.launch: a named executable wins over a channel, and
    without either the Chromium found by `chromium_path`."""
    launch = {"args": CHROMIUM_ARGS, "headless": options["HEADLESS"]}
    channel = options.get("BROWSER_CHANNEL")
    if channel and not options["BROWSER_PATH"]:
        launch["channel"] = channel
    else:
        launch["executable_path"] = chromium_path(options["BROWSER_PATH"], playwright)
    return launch


def _launch(playwright, options):
    launch = launch_options(options, playwright)
    try:
        return playwright.chromium.launch(**launch)
    except Exception as error:
        if "channel" not in launch:
            cause = launch_cause(str(error))
            if not cause:
                raise
            raise RuntimeError(f"Chromium ({launch['executable_path']}) could not start: {cause}") from error
        raise RuntimeError(
            f"Could not start the browser of channel {launch['channel']!r} (KELVO_BROWSER_CHANNEL "
            f"or --kelvo-browser-channel): {_first_line(error)}. Install that browser, or leave "
            "the channel unset to use Chromium."
        ) from error


def _first_line(error):
    text = str(error).strip()
    return text.splitlines()[0] if text else type(error).__name__


def _running_playwright():
    global _playwright
    if _adopted is not None:
        return _adopted
    if _playwright is None:
        from playwright.sync_api import sync_playwright

        _playwright = sync_playwright().start()
        atexit.register(close_browser)
    return _playwright


def get_browser():
    """The process's shared browser, launched (or connected) on first use."""
    global _browser
    if _browser is not None and _browser.is_connected():
        return _browser
    options = settings.browser_options()
    playwright = _running_playwright()
    if options["BROWSER_CDP"]:
        _browser = _connect_over_cdp(playwright, options["BROWSER_CDP"], "KELVO_BROWSER_CDP")
    elif options["BROWSER_WS"] and is_devtools_address(options["BROWSER_WS"]):
        # A DevTools address given where a Playwright server's was expected: it is meant all the same.
        _browser = _connect_over_cdp(playwright, options["BROWSER_WS"], "KELVO_BROWSER_WS, a DevTools address")
    elif options["BROWSER_WS"]:
        _browser = _connect(playwright, options)
    else:
        _browser = _launch(playwright, options)
    return _browser


def release_playwright():
    """Stop our own Playwright instance (and its browser), so another can start in this thread."""
    close_browser()


def adopt_playwright(playwright):
    """Run the shared browser on another owner's Playwright instance from now on; None hands
    it back (our browser on it is closed first, while the instance still runs)."""
    global _adopted
    close_browser()
    _adopted = playwright


def new_page():
    """A fresh page in its own browser context; close it with page.context.close()."""
    context = get_browser().new_context()
    _install_page_model(context)
    _start_trace(context)
    return context.new_page()


def _install_page_model(context):
    # Every document of the context gets the harvest's page model before its own scripts
    # run: harvests then send a short call instead of the whole model, and a page that
    # replaces built-ins afterwards cannot change what they read.
    from kelvo_web.engine.browser.harvester import _install_script

    context.add_init_script(script=_install_script())


def _start_trace(context):
    # KELVO_TRACE=on or retain-on-failure records a Playwright trace of every context; the
    # pytest plug-in saves or drops it once the test's outcome is known.
    if os.environ.get("KELVO_TRACE", "").strip().lower() in ("on", "retain-on-failure"):
        context.tracing.start(screenshots=True, snapshots=True)


def close_browser():
    global _playwright, _browser
    if _browser is not None:
        try:
            _browser.close()
        except Exception:
            pass
        _browser = None
    # An adopted instance belongs to its owner, who stops it.
    if _playwright is not None:
        try:
            _playwright.stop()
        except Exception:
            pass
        _playwright = None
