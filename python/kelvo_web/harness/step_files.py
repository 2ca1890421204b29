"""Step files: tests written as text, one step a line, read into tests the plug-in runs.

A step file reads as a Markdown document (``checkout.steps.md``)::

    # Checkout                          a title and prose: free text before the first step
    Start: catalogue.html               the file's start address, relative to URL
    Tags: shop                          markers of every test in the file

    ## Before each                      steps run before each test of the file
    - click Sign in

    ## Buy ${item}                      a test: its name, then its steps, one list item each
    Tags: smoke
    - click Add to cart near ${item}
    - type ${PASSWORD} into Password    a variable: Examples column, environment or VARIABLES
    <!-- a comment -->                  comments (and > notes) may stand anywhere

    Examples:                           one test per row, its cells as variables
    | item          |
    | ------------- |
    | Blue Backpack |

The core reads the text (``core/harness/step_files``): every problem of a file is found
before any test runs, each as ``path:line: message``, and the steps themselves are checked as
``run_all`` checks them. Here the file is read from disk, start addresses are joined to the
run's URL, and tests are run. Nothing here imports pytest: ``kelvo check`` reads files without it.
"""

import os
from dataclasses import dataclass, field
from typing import NamedTuple
from urllib.parse import urljoin

SUFFIX = ".steps.md"
SECRET_SHOWN = "********"


@dataclass
class Step:
    text: str
    line: int


@dataclass
class StepTest:
    """One test of a step file, its variables written in."""

    name: str
    line: int
    start: str | None  # absolute address, or None: the agent's URL
    tags: list
    steps: list  # the file's Before each steps, then the test's own
    path: str = ""

    def where(self, step):
        return f"{self.path}:{step.line}"


class Problem(NamedTuple):
    path: str
    line: int
    message: str

    def __str__(self):
        # The form compilers write, which editors and CI annotations read.
        return f"{self.path}:{self.line}: {self.message}"


@dataclass
class StepFile:
    path: str  # as shown in messages
    tests: list = field(default_factory=list)
    problems: list = field(default_factory=list)  # Problems, in line order
    secrets: tuple = ()  # the values to mask wherever a step is shown


@dataclass
class Settings:
    """What a step file takes from the project configuration and the environment."""

    url: str | None = None
    variables: dict = field(default_factory=dict)
    secret_names: tuple = ()
    tags: tuple = ()
    environ: dict = field(default_factory=lambda: dict(os.environ))

    @classmethod
    def from_config(cls, cfg, environ=None):
        return cls(
            url=cfg.get("URL"),
            variables=dict(cfg.get("VARIABLES") or {}),
            secret_names=tuple(cfg.get("SECRETS") or ()),
            tags=tuple(cfg.get("TAGS") or ()),
            environ=dict(os.environ if environ is None else environ),
        )


def is_step_file(path):
    return os.path.basename(str(path)).endswith(SUFFIX)


def mask(text, secrets):
    """The text with every secret value shown as ********."""
    from kelvo_web.harness import _step_files

    return _step_files.mask(text, list(secrets)) if isinstance(text, str) else text


# -- reading ---------------------------------------------------------------------------------


def read_text(text, shown, settings):
    """A step file's text read into its tests and problems (by the core)."""
    from kelvo_web.harness import _step_files

    read = _step_files.read(
        text,
        bool(settings.url),
        _texts(settings.environ),
        _texts(settings.variables),
        list(settings.secret_names),
        list(settings.tags),
    )
    problems = [Problem(shown, line, message) for line, message in read["problems"]]
    tests = [
        StepTest(
            t["name"],
            t["line"],
            urljoin(settings.url, t["start"]) if t["start"] and settings.url else t["start"],
            t["tags"],
            [Step(text, line) for text, line in t["steps"]],
            shown,
        )
        for t in read["tests"]
    ]
    return StepFile(shown, tests, problems, tuple(read["secrets"]))


def _texts(mapping):
    # A name or value that is no text (an environment's undecodable bytes) names no variable.
    out = {}
    for key, value in mapping.items():
        key, value = str(key), str(value)
        try:
            key.encode("utf-8")
            value.encode("utf-8")
        except UnicodeEncodeError:
            continue
        out[key] = value  # an empty value is a value: the variable is set, to nothing
    return out


def read_file(path, settings, shown=None):
    shown = shown or str(path)
    try:
        with open(path, "rb") as handle:
            data = handle.read()
    except OSError as error:
        return StepFile(shown, [], [Problem(shown, 1, f"the file could not be read: {error.strerror or error}")])
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        line = data.count(b"\n", 0, error.start) + 1
        said = f"the file is not UTF-8 text (byte {data[error.start]:#04x})"
        return StepFile(shown, [], [Problem(shown, line, said)])
    return read_text(text, shown, settings)


def find_files(paths):
    """The step files under `paths` (files or folders), in a stable order; and the paths that
    do not exist."""
    found, missing = [], []
    for path in paths:
        if os.path.isdir(path):
            for folder, dirs, files in os.walk(path):
                dirs[:] = sorted(d for d in dirs if not d.startswith("."))
                found.extend(os.path.join(folder, f) for f in sorted(files) if is_step_file(f))
        elif os.path.exists(path):
            found.append(path)
        else:
            missing.append(path)
    return list(dict.fromkeys(found)), missing


# -- running ---------------------------------------------------------------------------------


class StepFileFailure(AssertionError):
    """A step of a step file failed; the message starts with its file and line."""

    def __init__(self, where, message, step=None):
        super().__init__(f"{where}: {message}")
        self.where = where
        self.detail = message
        self.step = step


def run_steps(agent, test, secrets=()):
    """Run a step file's test on `agent`: its start address, then each step in order."""
    from kelvo_web import StepFailure

    agent._secrets = tuple(sorted({*getattr(agent, "_secrets", ()), *secrets}, key=len, reverse=True))
    steps = list(test.steps)
    if test.start and getattr(agent, "_page", None) is not None:
        # An agent already open elsewhere goes to the test's start address first.
        steps.insert(0, Step(f"navigate {test.start}", test.line))
    for step in steps:
        try:
            agent.run(step.text)
        except StepFailure as failure:
            where = test.where(step)
            record = failure.step
            if isinstance(record, dict):
                record["message"] = f"{where}: {record.get('message', '')}"
            raise StepFileFailure(where, str(failure), record) from None


def run_test(agent, path, name, cfg=None):
    """Run the test `name` of the step file at `path` on `agent` (from a Python test).

    A relative path is found from the working directory. Every problem of the file is
    raised as one ValueError before any step runs."""
    from kelvo_web.engine import settings as engine_settings

    cfg = engine_settings._load_project_config() if cfg is None else cfg
    step_file = read_file(path, Settings.from_config(cfg))
    if step_file.problems:
        raise ValueError("\n".join(map(str, step_file.problems)))
    for test in step_file.tests:
        if test.name == name:
            if getattr(agent, "_page", None) is None and test.start:
                agent.url = test.start
            return run_steps(agent, test, step_file.secrets)
    names = ", ".join(repr(t.name) for t in step_file.tests) or "none"
    raise ValueError(f"{path} has no test named {name!r} (its tests: {names})")
