"""Spatial resolution through Python: the caller's own records come back, never copies."""

import pytest

from kelvo_web.engine.spatial import surveyor
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
from kelvo_web.engine.spatial.surveyor import (
    MatrixResolver,
    _centre_distance,
    _dom_distance,
    _normalize,
    _overlaps_horizontally,
    _overlaps_vertically,
    _parse_target,
)

FAILURE = {"resolved": False, "confidence": 0.0, "element": None, "candidates": []}


def descriptor(tag, x, y, w, h, text="", **attributes):
    return {
        "tag": tag,
        "text": text,
        "attributes": attributes,
        "bounding_box": {"x": x, "y": y, "width": w, "height": h},
        "is_visible": True,
        "is_enabled": True,
        "xpath": "/html[1]/body[1]/form[1]/" + tag + "[1]",
    }


def heading(text, x, y, w, h):
    return {
        "tag": "h2",
        "text": text,
        "has_direct_text": True,
        "attributes": {},
        "bounding_box": {"x": x, "y": y, "width": w, "height": h},
        "is_visible": True,
        "is_enabled": True,
        "xpath": "/html[1]/body[1]/h2[1]",
    }


@pytest.fixture
def page():
    dom = [
        descriptor("input", 50, 140, 200, 30, _label="Address"),
        descriptor("button", 60, 200, 80, 30, "Save"),
        descriptor("a", 60, 250, 80, 30, "Cancel"),
        descriptor("button", 60, 300, 80, 30, "Reset"),
        descriptor("button", 900, 300, 80, 30, "Login with Google"),
        descriptor("a", 900, 20, 80, 30, "Login"),
    ]
    texts = [heading("Address", 50, 100, 200, 30)]
    return dom, texts, MatrixBuilder(dom, texts).build()


def test_relational_success_hands_back_the_harvested_records(page):
    dom, texts, matrix = page
    result = MatrixResolver(matrix).resolve({"action": "click", "target": "second button below the Address"})
    assert list(result) == [
        "resolved",
        "confidence",
        "element",
        "anchor_text",
        "ordinal",
        "type_relaxed",
        "actual_type",
        "candidates",
    ]
    assert result["element"] is dom[3]
    assert [c is dom[3] for c in result["candidates"]] == [True]
    assert (result["anchor_text"], result["ordinal"], result["type_relaxed"], result["actual_type"]) == (
        "Address",
        2,
        False,
        "button",
    )
    assert result["confidence"] == 1.0 and type(result["confidence"]) is float


@pytest.mark.parametrize(
    "target, expected",
    [
        ("below Address", [0, 1, 2, 3]),
        ("button below Address", [1, 3]),
        ("Reset below Address", [3]),
        ("link near Address", [2]),
        ("second login", [5, 4]),
        ("first input", [0]),
    ],
    ids=lambda v: str(v),
)
def test_candidates_are_the_callers_records(page, target, expected):
    dom, _, matrix = page
    result = MatrixResolver(matrix).resolve({"target": target})
    assert result["resolved"] is True
    assert len(result["candidates"]) == len(expected)
    assert all(got is dom[i] for got, i in zip(result["candidates"], expected))


@pytest.mark.parametrize(
    "instruction",
    [
        {"target": "Login"},
        {"target": "button below Nowhere"},
        {"target": "dropdown below Address"},
        {"target": "fifth button"},
        {},
        {"action": "accept_dialog", "target": None},
    ],
    ids=["no relation", "no anchor", "no such type", "too few", "no target", "null target"],
)
def test_failures_are_answers(page, instruction):
    assert MatrixResolver(page[2]).resolve(instruction) == FAILURE


def test_type_is_relaxed_when_the_type_exists_elsewhere(page):
    dom, _, matrix = page
    result = MatrixResolver(matrix).resolve({"target": "link below Address"})
    assert result["element"] is dom[2] and result["type_relaxed"] is False
    lone = [e for e in matrix if e["element"] is not dom[2]]
    result = MatrixResolver(lone).resolve({"target": "link below Address"})
    assert result["type_relaxed"] is True and result["actual_type"] == "input"
    assert result["element"] is dom[0]


def test_ordinal_success_shape(page):
    dom, _, matrix = page
    result = MatrixResolver(matrix).resolve({"target": "second login"})
    assert list(result) == ["resolved", "confidence", "element", "candidates"]
    assert result["element"] is dom[4]


def test_hand_built_entries_come_back_as_given():
    anchor_element = {"attributes": {"aria-label": "Total"}}
    entries = [
        {
            "index": 0,
            "element_type": "text",
            "text": "Total",
            "searchable": "Total",
            "is_anchor_only": True,
            "position": {"x": 0, "y": 0, "x2": 100, "y2": 20, "cx": 50.0, "cy": 10.0},
            "element": anchor_element,
        },
        {
            "index": 1,
            "element_type": "button",
            "position": {"x": 120, "y": 0, "x2": 160, "y2": 20, "cx": 140.0, "cy": 10.0},
        },
        {
            "index": 2,
            "element_type": "button",
            "position": {"x": 0, "y": 40, "x2": 50, "y2": 60, "cx": 25.0, "cy": 50.0},
        },
    ]
    resolver = MatrixResolver(entries)
    assert resolver.matrix is entries
    assert resolver._find_anchor("total") is entries[0]
    assert resolver._find_anchor("nothing") is None
    ranked = resolver._rank(entries[1:], entries[0], "below", None)
    assert len(ranked) == 1 and ranked[0] is entries[2]
    assert resolver._rank(entries[1:], entries[0], "next_to", None)[0] is entries[1]
    assert resolver._rank(entries[1:], entries[0], None, None) == []
    result = resolver.resolve({"target": "button next to Total"})
    assert result["element"] is None, "an entry without element answers with None"
    assert result["resolved"] is True and result["anchor_text"] == "Total"
    ordinal = resolver._resolve_ordinal(2, "button", None)
    assert ordinal["resolved"] is True and ordinal["candidates"] == [None, None]


@pytest.mark.parametrize(
    "phrase, expected",
    [
        ("Add to cart near Blue Backpack", ("blue backpack", "near", None, None, None, "add to cart")),
        ("button next to login", ("login", "next_to", "button", None, None, None)),
        ("second login", (None, None, None, 2, "login", None)),
        ("first input", (None, None, "input", 1, None, None)),
        ("second login button", (None, None, "button", 2, "login", None)),
        ("the third link", (None, None, "link", 3, None, None)),
        ("second button below the Address", ("address", "below", "button", 2, None, None)),
        ("Login", (None,) * 6),
        ("linear gauge", ("gauge", "near", None, None, None, "li")),
        ("below", ("", "below", None, None, None, None)),
    ],
)
def test_parse_target(phrase, expected):
    got = _parse_target(phrase)
    assert type(got) is tuple and got == expected


def test_tables_and_constants():
    assert list(surveyor._RELATIONS.items()) == [
        ("next to", "next_to"),
        ("below", "below"),
        ("under", "below"),
        ("above", "above"),
        ("left of", "left"),
        ("right of", "right"),
        ("near", "near"),
    ]
    assert list(surveyor._ORDINALS.items()) == [
        ("first", 1),
        ("second", 2),
        ("third", 3),
        ("fourth", 4),
        ("fifth", 5),
        ("1st", 1),
        ("2nd", 2),
        ("3rd", 3),
        ("4th", 4),
        ("5th", 5),
    ]
    assert list(surveyor._TYPE_KEYWORDS) == [
        "button",
        "btn",
        "link",
        "anchor",
        "input",
        "field",
        "textbox",
        "select",
        "dropdown",
    ]
    assert surveyor._TYPE_KEYWORDS["textbox"] == "input"
    assert (surveyor.SPATIAL_TOLERANCE, surveyor.NEAR_MAX_PIXELS, surveyor.NEAR_MAX_DOM_STEPS) == (40, 300, 10)


def box(x, y, w, h):
    return {"position": {"x": x, "y": y, "x2": x + w, "y2": y + h, "cx": x + w / 2, "cy": y + h / 2}}


def test_geometry_helpers():
    a, b = box(0, 0, 10, 10), box(30, 49, 10, 10)
    assert _overlaps_vertically(a, b) and _overlaps_vertically(b, a)
    assert not _overlaps_horizontally(a, box(50, 0, 10, 10)), "gap of 40 is not less than 40"
    assert _centre_distance(box(0, 0, 0, 0), box(3, 4, 0, 0)) == 5.0
    assert _dom_distance("/html[1]/body[1]/div[1]/span[1]", "/html[1]/body[1]/div[2]/span[1]") == 2
    assert _dom_distance("", "/a[1]/b[1]/c[1]/d[1]") == 5
    assert _normalize("Log-In now") == "loginnow"


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: MatrixResolver({}), TypeError, "matrix must be a list, not dict"),
        (lambda: MatrixResolver([]).resolve("click x"), TypeError, "parsed_instruction must be a dict, not str"),
        (
            lambda: MatrixResolver([]).resolve({"target": 5}),
            TypeError,
            "parsed_instruction['target'] must be str or None, not int",
        ),
        (
            lambda: MatrixResolver([])._resolve_ordinal(None, None, None),
            TypeError,
            "ordinal must be an int, not NoneType",
        ),
        (
            lambda: MatrixResolver([])._rank([], box(0, 0, 1, 1), "below", "2"),
            TypeError,
            "ordinal must be int or None, not str",
        ),
        (
            lambda: MatrixResolver([])._rank(None, {}, "below", None),
            TypeError,
            "candidates must be a list, not NoneType",
        ),
        (lambda: MatrixResolver([])._find_anchor(None), TypeError, "anchor_text must be str, not NoneType"),
        (lambda: _parse_target(None), TypeError, "target must be str, not NoneType"),
        (lambda: _dom_distance("/a", 1), TypeError, "xpath_b must be str, not int"),
        (lambda: _overlaps_vertically({}, box(0, 0, 1, 1)), KeyError, "a has no 'position'"),
        (
            lambda: MatrixResolver([{"index": 0}]).resolve({"target": "first button"}),
            KeyError,
            "matrix[0] has no 'element_type'",
        ),
        (
            lambda: MatrixResolver(["x"]).resolve({"target": "first button"}),
            TypeError,
            "matrix[0] must be a dict, not str",
        ),
    ],
)
def test_bad_arguments_name_themselves(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert message in str(raised.value)


def test_matrix_is_read_at_each_call():
    matrix = []
    resolver = MatrixResolver(matrix)
    assert resolver.resolve({"target": "first button"}) == FAILURE
    matrix.extend(MatrixBuilder([descriptor("button", 0, 0, 10, 10, "Go")]).build())
    assert resolver.resolve({"target": "first button"})["element"] is matrix[0]["element"]
