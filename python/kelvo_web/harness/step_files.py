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

Every problem of a file is found before any test runs, each as ``path:line: message``. The
steps themselves are checked by the core's step reader, as ``run_all`` checks them. Nothing
here imports pytest: ``kelvo check`` reads files without it.
"""

import os
import re
from dataclasses import dataclass, field
from typing import NamedTuple
from urllib.parse import urljoin, urlsplit

from kelvo_web.agent.steps import malformed_steps

SUFFIX = ".steps.md"
SECRET_SHOWN = "********"
# Tags pytest itself gives a meaning to, known without being listed in TAGS.
BUILTIN_TAGS = ("skip", "xfail")
BEFORE_EACH = ("before each", "before each test")

_LINE_END = re.compile(r"\r?\n")
_HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
_KEY = re.compile(r"^(start|tags|examples)\s*:\s*(.*)$", re.IGNORECASE)
_ITEM = re.compile(r"^(?:[-*+]|\d{1,9}[.)])(?:\s+(.*))?$")
_NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
_VARIABLE = re.compile(r"\\\$\{|\$\{([^}]*)\}|\$\{")
_SEPARATOR_CELL = re.compile(r"^:?-{3,}:?$")


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

    def lookup(self, name):
        # The environment first: a CI job sets what the file keeps as a local default.
        if name in self.environ:
            return str(self.environ[name])
        if name in self.variables:
            return str(self.variables[name])
        return None

    def secret_values(self):
        values = (self.lookup(name) for name in self.secret_names)
        return tuple(sorted({v for v in values if v}, key=len, reverse=True))


def is_step_file(path):
    return os.path.basename(str(path)).endswith(SUFFIX)


def mask(text, secrets):
    """The text with every secret value shown as ********."""
    if not isinstance(text, str):
        return text
    for secret in secrets:
        text = text.replace(secret, SECRET_SHOWN)
    return text


# -- reading ---------------------------------------------------------------------------------


@dataclass
class _Section:
    name: str
    line: int
    before: bool
    start: str | None = None
    tags: list = field(default_factory=list)
    steps: list = field(default_factory=list)
    table: list = field(default_factory=list)  # rows of (line, cells)
    examples_line: int | None = None


class _Reader:
    def __init__(self, path, shown, settings):
        self.path, self.shown, self.settings = path, shown, settings
        self.problems = []  # (line, message)
        self.file_start = None
        self.file_tags = []
        self.sections = []

    def problem(self, line, message):
        self.problems.append((line, message))

    def read(self, text):
        section = None
        in_comment = None  # the line a comment opened on
        in_table = False
        for number, raw in enumerate(_LINE_END.split(text), start=1):
            line = raw.strip()
            if in_comment is not None:
                if "-->" in line:
                    in_comment = None
                continue
            if line.startswith("<!--"):
                if "-->" not in line[4:]:
                    in_comment = number
                continue
            if not line or line.startswith(">"):
                in_table = False if not line else in_table
                continue
            heading = _HEADING.match(line)
            if heading and len(heading.group(1)) == 2:
                section = self.open_section(heading.group(2), number)
                in_table = False
                continue
            if line.startswith("|"):
                if section is not None and section.examples_line is not None and (in_table or not section.table):
                    section.table.append((number, _cells(line)))
                    in_table = True
                else:
                    self.problem(number, "a table belongs under 'Examples:', right after it")
                continue
            in_table = False
            key = _KEY.match(line)
            item = _ITEM.match(line)
            if key:
                self.key_line(section, key.group(1).lower(), key.group(2).strip(), number)
            elif item:
                self.step_line(section, (item.group(1) or "").strip(), number)
            elif section is not None and (section.steps or section.examples_line is not None):
                self.problem(
                    number,
                    "this line is no step: write a step as a list item ('- click Login'), "
                    "a comment as <!-- ... --> or a note as '> ...'",
                )
            # Otherwise prose: a title, a description before a test's first step.
        if in_comment is not None:
            self.problem(in_comment, "this comment is never closed: end it with -->")

    def open_section(self, name, number):
        if not name:
            self.problem(number, "a test needs a name after '## '")
        elif "::" in name:
            self.problem(number, f"a test name cannot hold '::' (pytest's separator): {name!r}")
        before = name.strip().lower() in BEFORE_EACH
        if before and any(s.before for s in self.sections):
            self.problem(number, "a file has one '## Before each'; put all its shared steps there")
        section = _Section(name, number, before)
        self.sections.append(section)
        return section

    def key_line(self, section, key, value, number):
        title = key.capitalize()
        if key == "examples":
            if section is None or section.before:
                self.problem(number, "'Examples:' belongs to a test, after its steps")
            elif section.examples_line is not None:
                self.problem(number, f"a test has one 'Examples:' table (the first is on line {section.examples_line})")
            elif value:
                self.problem(number, "'Examples:' stands alone on its line; its table follows")
            else:
                section.examples_line = number
            return
        if section is not None and (section.steps or section.examples_line is not None):
            self.problem(number, f"'{title}:' goes before the test's steps")
            return
        if section is not None and section.before:
            self.problem(number, f"'{title}:' of the whole file goes above its first '##' heading")
            return
        if key == "start":
            start = self.start_address(value, number)
            if section is None:
                self.file_start = start
            else:
                section.start = start
        else:
            tags = self.tag_list(value, number)
            (self.file_tags if section is None else section.tags).extend(tags)

    def start_address(self, value, number):
        if not value:
            self.problem(number, "'Start:' needs an address, such as 'Start: checkout.html'")
            return None
        if urlsplit(value).scheme:
            return value
        if not self.settings.url:
            self.problem(
                number,
                f"the start address {value!r} is relative, and URL is not set in kelvo.web.config.py "
                "(set URL, or give a whole address such as http://host/page.html)",
            )
            return None
        return urljoin(self.settings.url, value)

    def tag_list(self, value, number):
        tags = [t for t in re.split(r"[\s,]+", value) if t]
        if not tags:
            self.problem(number, "'Tags:' needs at least one tag, such as 'Tags: smoke'")
        known = [*self.settings.tags, *BUILTIN_TAGS]
        good = []
        for tag in tags:
            if not _NAME.match(tag):
                self.problem(number, f"the tag {tag!r} is no name: use letters, digits and _ (smoke, slow_2)")
            elif tag not in known:
                listed = ", ".join(self.settings.tags) or "none"
                self.problem(
                    number,
                    f"unknown tag {tag!r}: add it to TAGS in kelvo.web.config.py (known tags: {listed})",
                )
            else:
                good.append(tag)
        return good

    def step_line(self, section, text, number):
        if section is None:
            self.problem(number, "steps belong under a test's '## name' heading (or '## Before each')")
        elif section.examples_line is not None:
            self.problem(number, "steps go before 'Examples:'")
        elif not text:
            self.problem(number, "this step is empty")
        else:
            section.steps.append(Step(text, number))

    # -- from sections to tests ----------------------------------------------------------

    def tests(self):
        before = next((s for s in self.sections if s.before), None)
        tests, names = [], {}
        for section in self.sections:
            if section.before:
                continue
            if not section.steps:
                self.problem(section.line, f"the test {section.name!r} has no steps")
                continue
            for name, row in self.rows(section):
                steps = []
                for shared in before.steps if before else ():
                    steps.append(Step(self.written(shared.text, shared.line, row), shared.line))
                for own in section.steps:
                    steps.append(Step(self.written(own.text, own.line, row), own.line))
                if name in names:
                    self.problem(section.line, f"two tests are named {name!r} (the first on line {names[name]})")
                    continue
                names[name] = section.line
                start = section.start or self.file_start
                tags = list(dict.fromkeys([*self.file_tags, *section.tags]))
                tests.append(StepTest(name, section.line, start, tags, steps, self.shown))
        return tests

    def rows(self, section):
        """(test name, row variables) for each test the section makes: one, or one per row."""
        if section.examples_line is None:
            return [(section.name, {})]
        table = section.table
        if len(table) < 3:
            self.problem(
                section.examples_line,
                "'Examples:' needs a table: a header row, a separator row (| --- |) and a row per test",
            )
            return []
        (header_line, header), (separator_line, separator), body = table[0], table[1], table[2:]
        if not all(_SEPARATOR_CELL.match(cell) for cell in separator) or len(separator) != len(header):
            self.problem(separator_line, "the second row of a table separates its header: | --- | --- |")
            return []
        good = True
        for cell in header:
            if not _NAME.match(cell):
                self.problem(header_line, f"the column {cell!r} is no variable name: use letters, digits and _")
                good = False
        for cell in {c for c in header if header.count(c) > 1}:
            self.problem(header_line, f"two columns are named {cell!r}")
            good = False
        for line, cells in body:
            if len(cells) != len(header):
                self.problem(line, f"this row has {len(cells)} cells; the header has {len(header)}")
                good = False
        if not good:
            return []
        made = []
        for _, cells in body:
            row = dict(zip(header, cells))
            name = _VARIABLE.sub(lambda m, row=row: row.get(m.group(1) or "", m.group(0)), section.name)
            if name == section.name:
                name = f"{section.name}[{'-'.join(cells)}]"
            made.append((name, row))
        return made

    def written(self, text, line, row):
        """The step with its variables written in; an unknown one is a problem of its line."""

        def value(match):
            whole = match.group(0)
            if whole == "\\${":
                return "${"
            name = match.group(1)
            if name is None:
                self.problem(line, "a '${' is never closed with '}' (write \\${ for the characters themselves)")
                return whole
            if not _NAME.match(name):
                self.problem(line, f"${{{name}}} is no variable name: use letters, digits and _")
                return whole
            if name in row:
                return row[name]
            found = self.settings.lookup(name)
            if found is None:
                self.problem(
                    line,
                    f"unknown variable ${{{name}}}: set it in the environment, in VARIABLES of "
                    "kelvo.web.config.py, or as a column of the test's Examples",
                )
                return whole
            return found

        return _VARIABLE.sub(value, text)


def _cells(line):
    inner = line.strip()
    inner = inner[1:] if inner.startswith("|") else inner
    inner = inner[:-1] if inner.endswith("|") and not inner.endswith("\\|") else inner
    return [cell.strip().replace("\\|", "|") for cell in re.split(r"(?<!\\)\|", inner)]


def read_text(text, shown, settings):
    """A step file's text read into its tests and problems."""
    secrets = settings.secret_values()
    reader = _Reader(shown, shown, settings)
    reader.read(text)
    tests = reader.tests()
    # The core checks every step; one call for the whole file, each step text once.
    texts = list(dict.fromkeys(step.text for test in tests for step in test.steps))
    lines = {}
    for test in tests:
        for step in test.steps:
            lines.setdefault(step.text, step.line)
    for number, messages in malformed_steps(texts).items():
        for message in messages:
            reader.problem(lines[texts[number - 1]], message)
    problems = [Problem(shown, line, mask(message, secrets)) for line, message in _ordered(reader.problems)]
    return StepFile(shown, [] if problems else tests, problems, secrets)


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


def _ordered(problems):
    seen, ordered = set(), []
    for line, message in sorted(problems, key=lambda p: p[0]):
        if (line, message) not in seen:
            seen.add((line, message))
            ordered.append((line, message))
    return ordered


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
