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

import operator
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


_TRUE_WORDS = ("1", "true", "yes", "on")
_FALSE_WORDS = ("0", "false", "no", "off", "")

# A step may wait this long at most: beyond it a value is a slip (seconds for milliseconds,
# a stray power), and Playwright's timers overflow well before 10**20 anyway.
MAX_STEP_TIMEOUT_MS = 3_600_000


def _project_config():
    # The same file, found the same way, as the pytest plug-in reads for URL and the report.
    from kelvo_web.harness import fixtures

    load = getattr(fixtures, "_load_project_config", None)
    return load() if load else {}


def _shown(value):
    text = repr(value)
    return f"{type(value).__name__} ({text if len(text) <= 60 else text[:57] + '...'})"


def _as_flag(name, value):
    if isinstance(value, bool):
        return value
    if isinstance(value, str):
        word = value.strip().lower()
        if word in _TRUE_WORDS or word in _FALSE_WORDS:
            return word in _TRUE_WORDS
    raise ValueError(
        f"{name} must be True or False (or one of {', '.join(_TRUE_WORDS + _FALSE_WORDS[:-1])}), not {_shown(value)}"
    )


def _as_timeout(name, value):
    timeout = None
    if isinstance(value, str):
        text = value.strip()
        timeout = int(text) if text.isdigit() and text.isascii() else None
    elif not isinstance(value, (bool, float)):  # True is not 1 ms, nor 1.5 one
        try:
            timeout = operator.index(value)
        except TypeError:
            pass
    if timeout is None or not 1 <= timeout <= MAX_STEP_TIMEOUT_MS:
        raise ValueError(
            f"{name} must be a whole number of milliseconds from 1 to {MAX_STEP_TIMEOUT_MS} (one hour), "
            f"not {_shown(value)}"
        )
    return timeout


def _as_text(name, value):
    if isinstance(value, os.PathLike):
        value = os.fspath(value)
    if value is not None and not isinstance(value, str):
        raise ValueError(f"{name} must be text or None, not {_shown(value)}")
    text = value.strip() if value is not None else ""
    return text or None


_CONVERT = {
    "BROWSER_PATH": _as_text,
    "HEADLESS": _as_flag,
    "STEP_TIMEOUT_MS": _as_timeout,
    "BROWSER_WS": _as_text,
    "BROWSER_CHANNEL": _as_text,
}

CONFIG_FILE_NAME = "kelvo.web.config.py"


def config_value(name, value):
    """A browser setting's value as the project configuration file gives it, checked."""
    return _CONVERT[name](f"{name} in {CONFIG_FILE_NAME}", value)


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
            try:
                options[name] = _CONVERT[name](env_name, os.environ[env_name])
            except ValueError as error:
                raise ValueError(f"{error}: set {env_name} to such a value, or unset it") from None
        elif name in config:
            try:
                options[name] = config_value(name, config[name])
            except ValueError as error:
                raise ValueError(f"{error}: change it in {CONFIG_FILE_NAME}") from None
        else:
            options[name] = _CONVERT[name](name, globals()[name])
    return options
