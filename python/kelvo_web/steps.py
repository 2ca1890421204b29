"""Lists of steps: splitting a block of text into steps and finding malformed ones."""


def split_steps(steps):
    """A list of instructions from a list or from one text with one instruction per line;
    blank lines and lines starting with # are skipped."""
    if isinstance(steps, str):
        lines = steps.splitlines()
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
    validated = parser.validate_all(list(instructions))
    for number, instruction in enumerate(instructions, start=1):
        messages = list(validated.get(number, []))
        try:
            parsed = parser.parse(instruction)
        except ValueError as error:
            messages = messages or [str(error)]  # validation's words are the more specific
        else:
            first_word = instruction.split()[0].lower()
            if first_word == "extract_text" or parsed["action"] == "verify_spatial_text":
                messages = []
        if messages:
            problems[number] = messages
    return problems
