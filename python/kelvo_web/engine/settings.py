"""Engine settings. The harvester reads them at every harvest, so a change made while a
run is going on takes effect at the next harvest.

SAVE_SNAPSHOTS: write a JSON snapshot of every harvest (off unless KELVO_SAVE_SNAPSHOTS
is set to 1, true, yes or on).
LOG_PATH: the folder snapshots go to (KELVO_LOG_PATH overrides the default).
HARVEST_MODE: "batched" (one page script per harvest) or "per-call" (one driver call per
question) forces either way; empty (the default) batches real Playwright pages and asks
any other page object call by call. KELVO_HARVEST_MODE sets it.

The browser settings below are read where they are used, when a browser starts or an agent
is built.
"""

import os


def _env_flag(name):
    return os.environ.get(name, "").strip().lower() in ("1", "true", "yes", "on")


SAVE_SNAPSHOTS = _env_flag("KELVO_SAVE_SNAPSHOTS")
LOG_PATH = os.environ.get("KELVO_LOG_PATH") or "data/logs/"
HARVEST_MODE = os.environ.get("KELVO_HARVEST_MODE", "").strip().lower()

# Browser settings. Each is taken from a command-line option of the pytest plug-in first
# (--kelvo-headed, --kelvo-browser-channel), then from the environment variable KELVO_<NAME>,
# then from the project configuration file (kelvo.web.config.py, key <NAME>), then from here.
BROWSER_PATH = None  # a Chromium or Chrome executable; None finds one on this machine
HEADLESS = True
STEP_TIMEOUT_MS = 5000  # how long a step retries before it fails
BROWSER_WS = None  # a remote Playwright server (ws://host:port/) used instead of a local browser
BROWSER_CHANNEL = None  # an installed branded browser Playwright knows: "chrome", "msedge", ...

BROWSER_SETTINGS = ("BROWSER_PATH", "HEADLESS", "STEP_TIMEOUT_MS", "BROWSER_WS", "BROWSER_CHANNEL")

# Values given on the command line, set by the pytest plug-in for the run.
_overrides = {}


def set_overrides(**values):
    """Command-line values for browser settings (None leaves a setting to the usual sources)."""
    unknown = set(values) - set(BROWSER_SETTINGS)
    if unknown:
        raise ValueError(f"not browser settings: {', '.join(sorted(unknown))}")
    _overrides.clear()
    _overrides.update({name: value for name, value in values.items() if value is not None})


_FALSE_WORDS = ("0", "false", "no", "off", "")


def _project_config():
    # The same file, found the same way, as the pytest plug-in reads for URL and the report.
    from kelvo_web.harness import fixtures

    load = getattr(fixtures, "_load_project_config", None)
    return load() if load else {}


def _as_flag(name, value):
    if isinstance(value, str):
        return value.strip().lower() not in _FALSE_WORDS
    return bool(value)


def _as_timeout(name, value):
    try:
        timeout = int(str(value).strip()) if isinstance(value, str) else int(value)
    except (TypeError, ValueError):
        raise ValueError(f"{name} must be a whole number of milliseconds, not {value!r}") from None
    if timeout <= 0:
        raise ValueError(f"{name} must be greater than 0, not {value!r}")
    return timeout


def _as_text(name, value):
    text = str(value).strip() if value is not None else ""
    return text or None


_CONVERT = {
    "BROWSER_PATH": _as_text,
    "HEADLESS": _as_flag,
    "STEP_TIMEOUT_MS": _as_timeout,
    "BROWSER_WS": _as_text,
    "BROWSER_CHANNEL": _as_text,
}


def browser_options(config=None):
    """The browser settings as one record; `config` is a loaded project configuration."""
    if config is None:
        config = _project_config()
    options = {}
    for name in BROWSER_SETTINGS:
        env_name = "KELVO_" + name
        if name in _overrides:
            options[name] = _CONVERT[name](name, _overrides[name])
        elif os.environ.get(env_name, "") != "":
            options[name] = _CONVERT[name](env_name, os.environ[env_name])
        elif name in config:
            options[name] = _CONVERT[name](name, config[name])
        else:
            options[name] = _CONVERT[name](name, globals()[name])
    return options
