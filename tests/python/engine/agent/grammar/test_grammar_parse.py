"""parse through the Python module: the records, their kinds and key order, and refusals."""

import re

import pytest

from kelvo_web.engine.agent import grammar
from kelvo_web.engine.agent.grammar import InstructionParser

SUPPORTED = [
    "click",
    "type",
    "hover",
    "select",
    "press_key",
    "sendkeys",
    "extract_text",
    "extract_text_spatial",
    "find_text",
    "find_exact_text",
    "verify_present",
    "verify_visible",
    "verify_enabled",
    "verify_disabled",
    "verify_text_present",
    "verify_text_visible",
    "verify_spatial_text",
    "accept_dialog",
    "dismiss_dialog",
    "verify_dialog",
]


def rec(action, target, value=None, ordinal=None, literal=False):
    record = {"action": action, "target": target, "value": value}
    if ordinal is not None:
        record["ordinal"] = ordinal
    record["_literal_target"] = literal
    return record


PARSE_TABLE = [
    # instruction, record, why
    ("accept dialog", rec("accept_dialog", None), "no ordinal key at all"),
    ("click Login", rec("click", "Login", ordinal=1), "ordinal defaults to 1"),
    ("click second Submit", rec("click", "Submit", ordinal=2), ""),
    ("click fifth row", rec("click", "row", ordinal=5), ""),
    ("click sixth row", rec("click", "sixth row", ordinal=1), "sixth is no ordinal"),
    ('click "The"', rec("click", "The", ordinal=1, literal=True), "quoted stop word stays"),
    ("type bob into the Username", rec("type", "Username", "bob"), ""),
    ("wait 500", rec("wait", "500"), "a str, not an int"),
    ("sendkeys Control+A", rec("sendkeys", "Control+A", "Control+A"), ""),
    ("verify text below Total is 42", rec("verify_spatial_text", "below Total", "42"), ""),
    (
        'click first button next to "Sign up"',
        rec("click", "button next to Sign up", ordinal=1),
        "target is more than the literal",
    ),
    ("CLICK Submit", rec("click", "Submit", ordinal=1), "keywords in any case"),
    ("click the first Login", rec("click", "first Login", ordinal=1), "ordinal only leading"),
    ("click first the Login", rec("click", "Login", ordinal=1), ""),
    ("click second", rec("click", "", ordinal=2), "empty target"),
    ("type   hello   into   the Name", rec("type", "Name", "  hello  "), "value as written"),
    ('type "Tom" into "Name"', rec("type", "Name", "Tom", literal=True), ""),
    ('click "the Login"', rec("click", "the Login", ordinal=1, literal=True), ""),
    ("extract_text below Total", rec("extract_text_spatial", "below Total"), ""),
    ("extract text from second row", rec("extract_text", "row", ordinal=2), ""),
    ("navigate '/login'", rec("navigate", "/login"), ""),
    ("verify text Welcome is visible", rec("verify_text_visible", "Welcome"), ""),
    ("verify text near Total is 42", rec("verify_spatial_text", "near Total", "42"), ""),
    ("verify the Save button is enabled", rec("verify_enabled", "Save button"), ""),
    ("wait abc", rec("wait", "abc"), "numbers are validation's business"),
    ("verify dialog says  Hi ", rec("verify_dialog", None, " Hi"), "trailing blank trimmed first"),
    # Unicode: cuts stay in line after "İ", Python's blanks, case kept.
    ("type İstanbul into City", rec("type", "City", "İstanbul"), "not 'İstanbul ' into 'ity'"),
    ("verify text below İİ is İ", rec("verify_spatial_text", "below İİ", "İ"), ""),
    ("click\u3000x", None, "only a plain blank ends the keyword"),
    ("click \u3000second\u00a0Submit", rec("click", "Submit", ordinal=2), ""),
    ("click İn Box", rec("click", "İn Box", ordinal=1), "İn lower-cases to 'i̇n', no stop word"),
    ("click \ud800", rec("click", "\ud800", ordinal=1), "a lone surrogate comes back intact"),
]


@pytest.mark.parametrize("instruction,expected,why", PARSE_TABLE)
def test_parse_table(instruction, expected, why):
    parser = InstructionParser()
    if expected is None:
        with pytest.raises(ValueError):
            parser.parse(instruction)
        return
    got = parser.parse(instruction)
    assert type(got) is dict
    assert list(got.items()) == list(expected.items()), why
    assert all(type(got[k]) is type(expected[k]) for k in got), why


@pytest.mark.parametrize(
    "instruction",
    [
        "",
        "   ",
        "clicks Submit",
        "wait",
        "back",
        "verify text near Total",
        "verify Save is hidden",
        "accept the dialog",
        "type into Name",
        "select from Colour",
    ],
)
def test_parse_refuses_with_the_supported_actions(instruction):
    message = f"Unrecognised instruction: {instruction!r}. Supported actions: {SUPPORTED!r}"
    with pytest.raises(ValueError) as caught:
        InstructionParser().parse(instruction)
    assert str(caught.value) == message


def test_each_parse_returns_a_new_record():
    parser = InstructionParser()
    first = parser.parse("click Login")
    first["target"] = "changed"
    assert parser.parse("click Login")["target"] == "Login"


CALLS = [
    # call, argument name in the error
    (lambda p: p.parse(None), "instruction"),
    (lambda p: p.parse(b"click x"), "instruction"),
    (lambda p: p.validate(3), "instruction"),
    (lambda p: p.validate_all(("click x",)), "instructions"),
    (lambda p: p.validate_all(["click x", 7]), "instruction"),
    (lambda p: p._unquote(None), "instruction"),
    (lambda p: p._clean_target(1.5), "target"),
    (lambda p: grammar._extract_ordinal(["first"]), "text"),
]


@pytest.mark.parametrize("call,argument", CALLS)
def test_wrong_kinds_name_the_argument(call, argument):
    with pytest.raises(TypeError, match=rf"^{argument} must be"):
        call(InstructionParser())


def test_keyword_arguments():
    parser = InstructionParser()
    assert parser.parse(instruction="click x")["target"] == "x"
    assert parser.validate(instruction="wait x") == ["`wait` value must be a number in milliseconds. Got: 'x'"]
    assert parser.validate_all(instructions=[""]) == {1: ["Instruction is empty."]}
    assert parser._unquote(instruction='a "b"') == ("a b", ["b"])
    assert parser._clean_target(target="the a x") == "x"
    assert grammar._extract_ordinal(text="third x") == (3, "x")


def test_tables():
    cls = InstructionParser
    assert cls.__doc__ == "Converts free-text instructions into structured action/target/value dicts."
    assert cls.SUPPORTED_ACTIONS == SUPPORTED and type(cls.SUPPORTED_ACTIONS) is list
    assert list(cls._VERIFY_STATES.items()) == [
        ("is present", "verify_present"),
        ("is visible", "verify_visible"),
        ("is enabled", "verify_enabled"),
        ("is disabled", "verify_disabled"),
    ]
    assert list(cls._VERIFY_TEXT_STATES.items()) == [
        ("is present", "verify_text_present"),
        ("is visible", "verify_text_visible"),
    ]
    assert cls._STOP_WORDS == {"on", "the", "a", "an", "in", "at", "into"}
    assert type(cls._STOP_WORDS) is set and type(cls._KNOWN_ACTIONS) is set
    assert cls._KNOWN_ACTIONS == {
        "click",
        "type",
        "hover",
        "select",
        "press",
        "sendkeys",
        "wait",
        "verify",
        "find",
        "extract",
        "accept",
        "dismiss",
        "back",
        "refresh",
        "navigate",
    }
    assert isinstance(grammar._QUOTE_RE, re.Pattern)
    assert grammar._QUOTE_RE.pattern == '"([^"]+)"'
    assert grammar._ORDINALS == {"first": 1, "second": 2, "third": 3, "fourth": 4, "fifth": 5}


@pytest.mark.parametrize(
    "text,expected",
    [
        ('click "" "Save"', ('click " Save"', [" "])),
        ('"a" "a" "', ('a a "', ["a", "a"])),
        ('say "x\ny"', ("say x\ny", ["x\ny"])),
    ],
)
def test_unquote_edges(text, expected):
    assert InstructionParser()._unquote(text) == expected
