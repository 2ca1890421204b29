"""Lists of steps: splitting a block of text into steps and finding malformed ones."""

import re

# Only a line feed (alone or after a carriage return) ends a step: str.splitlines() would
# also cut at U+2028, vertical tab, the file separators and NEL, which may sit inside a
# step's text.
_LINE_END = re.compile(r"\r?\n")

MAX_WAIT_MS = 600000  # ten minutes

# Checks of page text that need a text to look for.
_TEXT_CHECKS = ("find_text", "find_exact_text", "verify_text_present", "verify_text_visible")


def text_problem(instruction):
    """Why a step's text cannot be read at all (a lone surrogate is no character), or None."""
    try:
        instruction.encode("utf-8")
    except UnicodeEncodeError as error:
        bad = instruction[error.start]
        return (
            f"the step contains a lone surrogate (U+{ord(bad):04X}) at position {error.start}, "
            "which is no character; check how the text was made"
        )
    return None


def _parsed_problem(parsed):
    """What the parser accepts but no run could check: a text check without text, a wait
    beyond the maximum."""
    action, target = parsed.get("action"), (parsed.get("target") or "").strip()
    if action in _TEXT_CHECKS and not target:
        return "the step names no text to look for"
    if action == "wait" and target.isdigit():  # validation has already said what else is wrong
        return wait_problem(target)
    return None


def wait_problem(value):
    """Why a wait cannot run, or None: it takes a whole number of milliseconds, written in
    ASCII digits, up to ten minutes."""
    if not value.isdigit() or not value.isascii():
        return f"wait needs a whole number of milliseconds, not {value!r}"
    if int(value) > MAX_WAIT_MS:
        return f"wait takes at most {MAX_WAIT_MS} milliseconds (10 minutes), not {value}"
    return None


def split_steps(steps):
    """A list of instructions from a list or from one text with one instruction per line;
    blank lines and lines starting with # are skipped."""
    if isinstance(steps, str):
        lines = _LINE_END.split(steps)
    elif isinstance(steps, (list, tuple)):
        lines = list(steps)
    else:
        raise TypeError(f"steps must be a list of str or a str, not {type(steps).__name__}")
    instructions = []
    for line in lines:
        if not isinstance(line, str):
            raise TypeError(f"every step must be str, not {type(line).__name__}")
        stripped = line.strip()
        if stripped and not stripped.startswith("#"):
            instructions.append(stripped)
    return instructions


def malformed_steps(parser, instructions):
    """Map of step number (from 1) to its problems, for every step that cannot run.

    A step is malformed when validation finds a problem or the parser rejects it. Two
    forms the parser reads but validation does not know are let through: the first word
    extract_text, and text checks whose place starts with under or near.
    """
    problems = {}
    unreadable = {n: text_problem(i) for n, i in enumerate(instructions, start=1) if text_problem(i)}
    readable = [i for n, i in enumerate(instructions, start=1) if n not in unreadable]
    validated_readable = parser.validate_all(readable)
    # Validation numbers the readable steps only; map its numbers back to the whole list.
    numbers = [n for n in range(1, len(instructions) + 1) if n not in unreadable]
    validated = {numbers[k - 1]: v for k, v in validated_readable.items()}
    for number, instruction in enumerate(instructions, start=1):
        if number in unreadable:
            problems[number] = [unreadable[number]]
            continue
        messages = list(validated.get(number, []))
        try:
            parsed = parser.parse(instruction)
        except ValueError as error:
            messages = messages or [str(error)]  # validation's words are the more specific
        else:
            first_word = instruction.split()[0].lower()
            if first_word == "extract_text" or parsed["action"] == "verify_spatial_text":
                messages = []
            extra = _parsed_problem(parsed)
            if extra:
                messages.append(extra)
        if messages:
            problems[number] = messages
    return problems
