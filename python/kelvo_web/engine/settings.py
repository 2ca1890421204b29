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

The project configuration file (kelvo.web.config.py, the nearest one upwards from where a run
starts) is read here too, for the pytest plug-in and for an agent a script builds alike; a file
that cannot be read or run, or gives a setting a value it does not take, raises ConfigError,
which the plug-in reports as a usage error. Nothing here imports pytest.
"""

import ast
import difflib
import operator
import os
import re


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
# A running Chromium's DevTools address (http://host:9222, or its ws://.../devtools/browser/...
# address), as cloud and Selenium Grid 4 browsers give one: used through CDP.
BROWSER_CDP = None
# A step whose words name several elements alike fails instead of taking the first of them.
STRICT = False

BROWSER_SETTINGS = (
    "BROWSER_PATH",
    "HEADLESS",
    "STEP_TIMEOUT_MS",
    "BROWSER_WS",
    "BROWSER_CHANNEL",
    "STRICT",
    "BROWSER_CDP",
)

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


def step_timeout(name, value):
    """A step timeout in milliseconds, checked as STEP_TIMEOUT_MS is; ValueError naming `name`."""
    return _as_timeout(name, value)


_CONVERT = {
    "BROWSER_PATH": _as_text,
    "HEADLESS": _as_flag,
    "STEP_TIMEOUT_MS": _as_timeout,
    "BROWSER_WS": _as_text,
    "BROWSER_CHANNEL": _as_text,
    "STRICT": _as_flag,
    "BROWSER_CDP": _as_text,
}

CONFIG_FILE_NAME = "kelvo.web.config.py"


def config_value(name, value):
    """A browser setting's value as the project configuration file gives it, checked."""
    return _CONVERT[name](f"{name} in {CONFIG_FILE_NAME}", value)


def browser_options(config=None):
    """The browser settings as one record; `config` is a loaded project configuration."""
    if config is None:
        config = _load_project_config()  # the file the plug-in reads for URL and the report
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
                raise ConfigError(f"{error}: change it in {CONFIG_FILE_NAME}") from None
        else:
            options[name] = _CONVERT[name](name, globals()[name])
    return options


# -- the project configuration file ---------------------------------------------------------


class ConfigError(ValueError):
    """kelvo.web.config.py could not be read or run, or gives a setting a value it does not take."""


# The configuration of each run going on in this process, innermost last (a run can start
# another in the same process, as pytester's do); the pytest plug-in keeps it.
_run_configs = []

# Outside a run: executed configurations by file and version; the file is read on every
# lookup, but only run again once it changed.
_loaded_configs = {}


def _names(value):
    return isinstance(value, (list, tuple)) and all(isinstance(v, str) and v.isidentifier() for v in value)


# The keys the plug-in itself reads: what each accepts, and how to say so.
_PLUGIN_KEYS = {
    "URL": (lambda v: v is None or isinstance(v, str), "text (the address tests start at) or None"),
    "RESULT_DIR": (lambda v: isinstance(v, (str, os.PathLike)), "a path"),
    "SCREENSHOTS_ON_FAILURE": (lambda v: isinstance(v, bool), "True or False"),
    # Step files: values written into steps, the names of those to mask, the tags they may use.
    "VARIABLES": (
        lambda v: isinstance(v, dict) and all(isinstance(k, str) and isinstance(x, str) for k, x in v.items()),
        "a dict of names to text, such as {'EMAIL': 'alice@example.com'}",
    ),
    "SECRETS": (_names, "a list of variable names, such as ['PASSWORD']"),
    "TAGS": (_names, "a list of tag names, such as ['smoke', 'checkout']"),
}


def _load_project_config(start=None):
    """The project configuration: the nearest kelvo.web.config.py found upwards from `start`.

    With no `start`, the configuration of the pytest run going on (read where it started),
    else the one found from the working directory.
    """
    if start is None and _run_configs:
        return dict(_run_configs[-1][1])
    path = _find_project_config(os.getcwd() if start is None else start)
    if path is None:
        return {}
    source = _read_source(path)
    key = (path, source)
    if start is not None or key not in _loaded_configs:
        cfg = _run_source(path, source)  # a run reads its file afresh, once
        _loaded_configs.clear()  # one file version at a time is enough
        _loaded_configs[key] = cfg
    return dict(_loaded_configs[key])


def _find_project_config(start):
    directory = os.path.abspath(start)
    while True:
        candidate = os.path.join(directory, CONFIG_FILE_NAME)
        if os.path.exists(candidate):
            return candidate
        parent = os.path.dirname(directory)
        if parent == directory:
            return None
        directory = parent


def _read_source(path):
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as error:
        raise ConfigError(
            f"{CONFIG_FILE_NAME} could not be read: {path}: {error.strerror or error}. "
            "Make it a readable file, or remove it."
        ) from None


def _run_source(path, source):
    """Run the file as Python runs a script: bytes, so a BOM or a coding line is honoured."""
    try:
        code = compile(source, path, "exec", dont_inherit=True)
    except (SyntaxError, ValueError) as error:
        line = getattr(error, "lineno", None) or _fault_line(source)
        raise _config_fault(path, line, error, getattr(error, "msg", None) or str(error)) from None
    cfg = {}
    try:
        exec(code, cfg, cfg)
    except KeyboardInterrupt:
        raise
    except BaseException as error:  # SystemExit too: a file cannot end the run without a word
        line = None
        traceback = error.__traceback__
        while traceback is not None:
            if traceback.tb_frame.f_code.co_filename == path:
                line = traceback.tb_lineno
            traceback = traceback.tb_next
        raise _config_fault(path, line, error, str(error)) from None
    return cfg


def _fault_line(source):
    # Faults compile places nowhere: a NUL byte, or a coding line naming no known encoding.
    if b"\0" in source:
        return source.count(b"\n", 0, source.index(b"\0")) + 1
    for number, line in enumerate(source.splitlines()[:2], start=1):
        if re.match(rb"^[ \t\f]*#.*?coding[:=]", line):
            return number
    return 1


def _config_fault(path, line, error, detail):
    where = f"{path}, line {line}" if line else path
    what = f"{type(error).__name__}: {detail}" if detail else type(error).__name__
    return ConfigError(
        f"{CONFIG_FILE_NAME} could not be run: {where}: {what}. It is read as Python source: correct it and run again."
    )


def _check_settings(cfg, path):
    """Every key a run will use, checked once before any test: one clear error."""
    for key, value in cfg.items():
        problem = None
        if key in _PLUGIN_KEYS:
            accepts, accepted = _PLUGIN_KEYS[key]
            if not accepts(value):
                problem = f"{key} in {CONFIG_FILE_NAME} must be {accepted}, not {_shown(value)}"
        elif key in BROWSER_SETTINGS:
            try:
                config_value(key, value)
            except ValueError as error:
                problem = str(error)
        if problem:
            line = _assignment_line(path, key)
            where = f"{path}, line {line}" if line else path
            raise ConfigError(f"{problem}. Change it in {where}.")
    try:
        browser_options(cfg)  # the environment's values, and the command line's
    except ValueError as error:
        raise ConfigError(f"{error}.") from None


class ConfigWarning(UserWarning):
    """kelvo.web.config.py sets a name kelvo does not read, close to one it does."""


def misspelt_keys(cfg, path):
    """Warnings for the file's upper-case names that are no setting but read like one
    (SCREENSHOT_ON_FAILURE): a setting misspelt is otherwise ignored in silence. Names far
    from every setting are the project's own and pass."""
    known = [*_PLUGIN_KEYS, *BROWSER_SETTINGS]
    found = []
    for key in cfg:
        if not key.isupper() or key in known:
            continue
        close = difflib.get_close_matches(key, known, n=1, cutoff=0.75)
        if close:
            line = _assignment_line(path, key) if path else None
            where = f"{path}, line {line}" if line else (path or CONFIG_FILE_NAME)
            said = f"{key} in {CONFIG_FILE_NAME} is no setting, and is ignored; did you mean {close[0]}? ({where})"
            found.append(ConfigWarning(said))
    return found


def _assignment_line(path, key):
    """The line of the file's last top-level assignment to `key`, if it has one."""
    try:
        tree = ast.parse(_read_source(path), path)
    except (SyntaxError, ValueError):  # ConfigError among them: the file went unreadable
        return None
    line = None
    for node in tree.body:
        targets = node.targets if isinstance(node, ast.Assign) else [getattr(node, "target", None)]
        stored = (n for t in targets if t is not None for n in ast.walk(t))
        if key in [n.id for n in stored if isinstance(n, ast.Name) and isinstance(n.ctx, ast.Store)]:
            line = node.lineno
    return line
