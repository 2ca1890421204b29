"""Lists of steps: splitting a block of text into steps; the core finds the malformed ones."""

import re

# Only a line feed (alone or after a carriage return) ends a step: str.splitlines() would
# also cut at U+2028, vertical tab, the file separators and NEL, which may sit inside a
# step's text.
_LINE_END = re.compile(r"\r?\n")


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


def wait_problem(value):
    """Why a wait cannot run, or None: it takes a whole number of milliseconds, written in
    ASCII digits, up to ten minutes."""
    from kelvo_web.engine.agent._ladder import wait_problem as problem

    return problem(value)


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


def malformed_steps(instructions):
    """Map of step number (from 1) to its problems, for every step that cannot run: the core
    checks every step whose text can be read at all."""
    from kelvo_web.engine.agent._ladder import step_problems

    problems, readable = {}, []
    for number, instruction in enumerate(instructions, start=1):
        unreadable = text_problem(instruction)
        if unreadable:
            problems[number] = [unreadable]
        else:
            readable.append((number, instruction))
    for k, messages in step_problems([instruction for _, instruction in readable]).items():
        problems[readable[k - 1][0]] = messages
    return dict(sorted(problems.items()))
