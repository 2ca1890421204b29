"""pytest-playwright's launch of Chromium finds the browser as kelvo does (KELVO_BROWSER_PATH, the
system's Chromium, then Playwright's own). Without it, on a machine whose Chromium is the
system's, every test fails once pytest-playwright is installed. The plug-in registers this
module after every other, so its fixture wraps pytest-playwright's; a channel or an executable
given to pytest-playwright wins."""

import pytest

from kelvo_web.engine import settings


@pytest.fixture(scope="session")
def browser_type_launch_args(browser_type_launch_args, browser_name):
    launch = dict(browser_type_launch_args)
    if browser_name not in (None, "chromium") or launch.get("channel") or launch.get("executable_path"):
        return launch
    from kelvo_web import browser

    try:
        launch["executable_path"] = browser.chromium_path(settings.browser_options()["BROWSER_PATH"])
    except Exception:
        pass  # none found here: pytest-playwright's own message says what to install
    return launch
