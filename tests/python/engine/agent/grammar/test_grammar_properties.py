"""Random text, quotes, blanks and Unicode against parse, validate and validate_all, and the
helpers held against plain-Python statements of what they do."""

import re

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from kelvo_web.engine.agent import _ladder, grammar
from kelvo_web.engine.agent.grammar import InstructionParser

PARSER = InstructionParser()
ACTIONS = set(InstructionParser.SUPPORTED_ACTIONS) | {"navigate", "wait"}
NULL_TARGET = {"accept_dialog", "dismiss_dialog", "verify_dialog"}
WITH_VALUE = {"type", "select", "verify_dialog", "sendkeys", "verify_spatial_text"}

PIECES = [
    "type ",
    "select ",
    "click ",
    "hover ",
    "find text ",
    "find exact text ",
    "extract text ",
    "extract_text ",
    "from ",
    "navigate ",
    "press ",
    "sendkeys ",
    "wait ",
    "verify ",
    "verify text ",
    "verify dialog says ",
    "accept dialog",
    "dismiss dialog",
    " into ",
    " from ",
    " is ",
    "is present",
    "is visible",
    "is disabled",
    "below ",
    "near ",
    "left of ",
    "first ",
    "third ",
    "the ",
    "an ",
    '"',
    '""',
    "'",
    " ",
    "\t",
    "\n",
    "\u00a0",
    "\u2003",
    "\u3000",
    "İ",
    "Σ",
    "\u0307",
    "\u212a",
    "ß",
    "\ud800",
    "Save",
    "42",
    "²",
]
# Characters this Python's Unicode database knows: the core's Unicode data may be a version
# newer, and a character assigned only there is printable to one and escaped by the other.
known_characters = st.characters(blacklist_categories=("Cs", "Cn"))
instructions = st.lists(
    st.one_of(st.sampled_from(PIECES), st.text(alphabet=known_characters, max_size=3)), max_size=10
).map("".join)
FAST = settings(max_examples=300, deadline=None, suppress_health_check=[HealthCheck.too_slow])


def assert_well_formed(record, instruction):
    action = record["action"]
    assert action in ACTIONS
    keys = ["action", "target", "value", "_literal_target"]
    if action in ("click", "extract_text"):
        keys.insert(3, "ordinal")
        assert type(record["ordinal"]) is int and 1 <= record["ordinal"] <= 5
    assert list(record) == keys
    assert (record["target"] is None) == (action in NULL_TARGET)
    assert record["target"] is None or type(record["target"]) is str
    assert (record["value"] is not None) == (action in WITH_VALUE)
    assert record["value"] is None or type(record["value"]) is str
    assert type(record["_literal_target"]) is bool
    if record["_literal_target"]:
        assert record["target"] in PARSER._unquote(instruction.strip())[1]


@FAST
@given(instructions)
def test_parse_returns_a_record_or_refuses(instruction):
    # The agent refuses a step in the words a list's check gives it, whoever refuses it.
    checked = _ladder.step_problems([instruction]).get(1)
    try:
        record = PARSER.parse(instruction)
    except ValueError as error:
        assert str(error).startswith(f"Unrecognised instruction: {instruction!r}. ")
        try:
            read = _ladder.read_step(instruction)[0]
        except ValueError as refused:
            assert checked and str(refused) == "; ".join(checked), "the agent refuses it as run_all does"
            return
        # Only the agent's own element checks, read before the parser, pass where it refuses.
        assert read["action"] in ("verify_checked", "verify_unchecked"), instruction
        return
    assert_well_formed(record, instruction)
    if checked:
        with pytest.raises(ValueError, match=re.escape(checked[0])):
            _ladder.read_step(instruction)
        return
    # The agent reads its steps through the step engine: the very same record, byte for byte.
    read, plan, aim, extras, narrow = _ladder.read_step(instruction)
    assert repr(read) == repr(record) and [type(v) for v in read.values()] == [type(v) for v in record.values()]
    assert aim and type(extras) is bool


@FAST
@given(st.lists(instructions, max_size=5))
def test_validate_always_answers(batch):
    each = [PARSER.validate(instruction) for instruction in batch]
    for problems in each:
        assert type(problems) is list and all(type(p) is str and p for p in problems)
    expected = {n: problems for n, problems in enumerate(each, start=1) if problems}
    assert PARSER.validate_all(batch) == expected


@FAST
@given(instructions)
def test_unquote_matches_the_published_pattern(text):
    pattern = grammar._QUOTE_RE
    assert PARSER._unquote(text) == (pattern.sub(r"\1", text), pattern.findall(text))


@FAST
@given(instructions)
def test_target_helpers_follow_str_methods(text):
    words = text.split()
    while words and words[0].lower() in InstructionParser._STOP_WORDS:
        words.pop(0)
    assert PARSER._clean_target(text) == " ".join(words)

    parts = text.split(None, 1)
    if parts and parts[0].lower() in grammar._ORDINALS:
        expected = (grammar._ORDINALS[parts[0].lower()], parts[1] if len(parts) > 1 else "")
    else:
        expected = (1, text)
    assert grammar._extract_ordinal(text) == expected


# Letters that cannot spell a keyword, with the capitals whose lower-casing grows.
odd_letters = st.text(alphabet="İIiΣσxyz\u0307", min_size=1, max_size=8)


@FAST
@given(odd_letters, odd_letters)
def test_type_cuts_stay_in_line_with_the_written_text(text, field):
    record = PARSER.parse(f"type {text} into {field}")
    assert (record["value"], record["target"]) == (text, field)
