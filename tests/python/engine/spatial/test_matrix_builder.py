"""The matrix as Python callers see it: their own records inside, plain dicts around them."""

import pytest

from kelvo_web.engine.spatial.cartographer import (
    _TAG_TO_TYPE,
    MatrixBuilder,
    _element_type,
    _position,
    _searchable,
)

ENTRY_KEYS = [
    "index",
    "tag",
    "element_type",
    "text",
    "label",
    "searchable",
    "is_enabled",
    "is_anchor_only",
    "order_in_type",
    "position",
    "element",
]


def descriptor(tag, x, y, text="", **attributes):
    return {
        "tag": tag,
        "text": text,
        "attributes": attributes,
        "bounding_box": {"x": x, "y": y, "width": 10, "height": 10},
        "is_visible": True,
        "is_enabled": True,
        "xpath": "/html[1]/body[1]",
    }


def text_element(text, x, y):
    return {
        "tag": "p",
        "text": text,
        "has_direct_text": True,
        "attributes": {},
        "bounding_box": {"x": x, "y": y, "width": 10, "height": 10},
        "is_visible": True,
        "is_enabled": True,
        "xpath": "/html[1]/body[1]/p[1]",
    }


def test_entries_hold_the_callers_own_records_in_reading_order():
    dom = [descriptor("button", 500, 100, "late"), descriptor("a", 0, 0, "top")]
    texts = [text_element("Total", 0, 0)]
    matrix = MatrixBuilder(dom, texts).build()
    assert [list(e) for e in matrix] == [ENTRY_KEYS] * 3
    assert matrix[0]["element"] is dom[1]
    assert matrix[1]["element"] is texts[0], "at equal edges descriptors come first"
    assert matrix[2]["element"] is dom[0]
    assert [e["index"] for e in matrix] == [0, 1, 2]


def test_build_never_changes_inputs_and_makes_new_entries():
    dom = [descriptor("button", 0, 0, "Go", _label="Go")]
    snapshot = repr(dom)
    builder = MatrixBuilder(dom)
    first, second = builder.build(), builder.build()
    assert first == second and first[0] is not second[0]
    assert first[0]["position"] is not second[0]["position"]
    assert repr(dom) == snapshot
    assert builder.dom_elements is dom


@pytest.mark.parametrize(
    "passed, stored",
    [
        (None, []),
        ([], []),
        ("default", []),
    ],
    ids=["none", "empty", "absent"],
)
def test_text_elements_field_is_a_list(passed, stored):
    builder = MatrixBuilder([]) if passed == "default" else MatrixBuilder([], passed)
    assert builder.text_elements == stored and isinstance(builder.text_elements, list)
    assert builder.build() == []


def test_text_elements_field_keeps_the_callers_list():
    texts = [text_element("A", 0, 0)]
    assert MatrixBuilder([], texts).text_elements is texts


@pytest.mark.parametrize(
    "box, expected",
    [
        (
            {"x": 10, "y": 20, "width": 30, "height": 40},
            {"x": 10, "y": 20, "w": 30, "h": 40, "cx": 25.0, "cy": 40.0, "x2": 40, "y2": 60},
        ),
        (
            {"x": 0.5, "y": 1, "width": 2, "height": 2.5},
            {"x": 0.5, "y": 1, "w": 2, "h": 2.5, "cx": 1.5, "cy": 2.25, "x2": 2.5, "y2": 3.5},
        ),
        ({}, {"x": 0, "y": 0, "w": 0, "h": 0, "cx": 0.0, "cy": 0.0, "x2": 0, "y2": 0}),
    ],
)
def test_position_keeps_number_kinds(box, expected):
    got = _position(box)
    assert got == expected and list(got) == list(expected)
    assert [type(v) for v in got.values()] == [type(v) for v in expected.values()]


@pytest.mark.parametrize(
    "tag, attributes, expected",
    [
        ("textarea", {}, "input"),
        ("a", {}, "link"),
        ("input", {"type": "reset"}, "button"),
        ("input", {"type": "checkbox"}, "input"),
        ("div", {"role": "button"}, "button"),
        ("div", {"role": "Button"}, "div"),
        ("span", {}, "span"),
        ("input", {"role": "combobox"}, "combobox"),
        ("input", {"role": "textbox"}, "textbox"),
    ],
)
def test_element_type(tag, attributes, expected):
    assert _element_type({"tag": tag, "attributes": attributes}) == expected


def test_searchable_and_tag_table():
    assert (
        _searchable({"text": "Sign in", "attributes": {"aria-label": "Sign in", "name": "login"}})
        == "Sign in Sign in login"
    )
    assert _searchable({}) == ""
    assert list(_TAG_TO_TYPE.items()) == [
        ("a", "link"),
        ("button", "button"),
        ("input", "input"),
        ("select", "select"),
        ("textarea", "input"),
    ]


def test_missing_keys_take_defaults_and_falsy_boxes_are_skipped():
    dom = [
        {"bounding_box": {"x": 1, "y": 1, "width": 1, "height": 1}},
        {"tag": "a", "bounding_box": None},
        {"tag": "a", "bounding_box": {}},
        {"tag": "a"},
    ]
    (entry,) = MatrixBuilder(dom).build()
    assert entry == {
        "index": 0,
        "tag": "",
        "element_type": "",
        "text": "",
        "label": "",
        "searchable": "",
        "is_enabled": True,
        "is_anchor_only": False,
        "order_in_type": 1,
        "position": _position(dom[0]["bounding_box"]),
        "element": dom[0],
    }


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: MatrixBuilder("x"), "dom_elements must be a list, not str"),
        (lambda: MatrixBuilder([], {}), "text_elements must be a list or None, not dict"),
        (lambda: MatrixBuilder([3]).build(), "dom_elements[0] must be a dict, not int"),
        (lambda: MatrixBuilder([], [None]).build(), "text_elements[0] must be a dict, not NoneType"),
        (
            lambda: MatrixBuilder([{"text": 1, "bounding_box": {"x": 1}}]).build(),
            "dom_elements[0]: 'text' must be a str, not int",
        ),
        (
            lambda: MatrixBuilder([{"bounding_box": {"x": "1"}}]).build(),
            "dom_elements[0]: 'x' must be a number, not str",
        ),
        (lambda: _position(None), "bb must be a dict, not NoneType"),
        (lambda: _element_type("a"), "element must be a dict, not str"),
    ],
)
def test_wrong_kinds_are_type_errors_naming_the_argument(call, message):
    with pytest.raises(TypeError) as error:
        call()
    assert str(error.value) == message


def test_reassigned_field_is_checked_at_build():
    builder = MatrixBuilder([])
    builder.dom_elements = ("not", "a", "list")
    with pytest.raises(TypeError, match="dom_elements must be a list, not tuple"):
        builder.build()
