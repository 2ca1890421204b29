"""validate and validate_all through the Python module."""

import pytest

from kelvo_web.engine.agent.grammar import InstructionParser

M1 = "Instruction is empty."
M4 = "`type` instruction missing `into` keyword. Expected: type <text> into <target>"
M5 = "`type` instruction missing text to type. Expected: type <text> into <target>"
M7 = "`select` instruction missing `from` keyword. Expected: select <value> from <target>"
M8 = "`verify` instruction missing state. Expected ending: is present | is visible | is enabled | is disabled"
M9 = "`verify text` instruction missing state. Expected ending: is present | is visible"


def m2(trimmed):
    return f'Unbalanced quote \u2014 missing closing `"` in: {trimmed!r}'


def m3(word):
    return (
        f"Unknown action {word!r}. Expected one of: click, type, verify, hover, select, "
        "press, wait, find, extract, sendkeys."
    )


def m10(value):
    return f"`wait` value must be a number in milliseconds. Got: {value!r}"


VALIDATE_TABLE = [
    # instruction, problems, why
    ("\u00a0 \t", [M1], "blank only"),
    ('click "Save', [m2('click "Save')], "quote balance first"),
    ('  Tap "x  ', [m2('Tap "x')], "shown trimmed"),
    ("Tap Login", [m3("tap")], "first word lower-cased"),
    ("extract_text below Total", [m3("extract_text")], "parse accepts it, validate does not"),
    ("back", [], "parse refuses it, validate does not"),
    ("type  into Name", [M5], ""),
    ("type abc into   ", [M4], "trimmed: no ' into ' left"),
    ("type into Name", [M4], ""),
    ("select Red in Colour", [M7], ""),
    ("verify Save", [M8], ""),
    ("verify dialog says Hello", [], ""),
    ("verify text Welcome", [M9], ""),
    ("verify text below Total is 42", [], ""),
    ("verify text under Total is 42", [M9], "under is not among the openings"),
    ("wait 500", [], ""),
    ("wait 1.5", [m10("1.5")], ""),
    ("wait -1", [m10("-1")], ""),
    ("wait 'it\"s'", [m2("wait 'it\"s'")], ""),
    ("wait \"'12'\"", [], "double quotes, then single ones"),
    ("wait ²", [], "as str.isdigit"),
    ("wait", [], ""),
    ("type İ into x", [], "target cut in line with İ"),
    ("İptal x", [m3("i̇ptal")], "shown as str.lower writes it"),
]


@pytest.mark.parametrize("instruction,problems,why", VALIDATE_TABLE)
def test_validate_table(instruction, problems, why):
    assert InstructionParser().validate(instruction) == problems, why


def test_validate_all_keeps_only_instructions_with_problems_numbered_from_one():
    got = InstructionParser().validate_all(["click A", "", "verify Save", "wait 5"])
    assert got == {2: [M1], 3: [M8]}
    assert list(got) == [2, 3]
    assert InstructionParser().validate_all([]) == {}
