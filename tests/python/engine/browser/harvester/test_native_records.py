"""The native list the agent harvests into: a read-only sequence over records kept in the
core, which every binding reads in place and whose items come back as the very dicts."""

import copy

import pytest

from kelvo_web.engine.agent import _ladder
from kelvo_web.engine.browser.harvester import DOMParser, _native_records
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
from kelvo_web.engine.spatial.surveyor import MatrixResolver
from kelvo_web.engine.strategies import matcher
from kelvo_web.engine.strategies.matcher import DOMStrategy


def record(tag, text, x, y, xpath, **attributes):
    return {
        "tag": tag,
        "text": text,
        "attributes": attributes,
        "bounding_box": {"x": x, "y": y, "width": 80, "height": 20.5},
        "is_visible": True,
        "is_enabled": True,
        "xpath": xpath,
    }


ELEMENTS = [
    record("input", "", 100, 40, "/html[1]/body[1]/form[1]/input[1]", _label="Email", type="text"),
    record("button", "Save", 100, 80, "/html[1]/body[1]/form[1]/button[1]"),
    record("button", "Save draft", 200, 80, "/html[1]/body[1]/form[1]/button[2]"),
    record("a", "Help", 300, 80, "/html[1]/body[1]/a[1]", href="/help"),
]
TEXTS = [
    dict(record("h1", "Account", 100, 0, "/html[1]/body[1]/h1[1]"), has_direct_text=True),
    dict(record("form", "Email Save Save draft", 100, 40, "/html[1]/body[1]/form[1]"), has_direct_text=False),
    dict(record("span", "Total", 100, 120, "/html[1]/body[1]/span[1]"), has_direct_text=True),
]


@pytest.fixture
def native():
    return _native_records(ELEMENTS), _native_records(TEXTS)


# (operation on the native elements, expected, why)
SEQUENCE_CASES = [
    (len, 4, "as many as given"),
    (bool, True, "a non-empty list is true"),
    (lambda n: n[0]["tag"], "input", "first"),
    (lambda n: n[-1]["text"], "Help", "negative from the end"),
    (lambda n: n[-4]["text"], "", "the whole length back is the first"),
    (lambda n: [e["text"] for e in n], ["", "Save", "Save draft", "Help"], "iteration in order"),
    (lambda n: list(n) == ELEMENTS, True, "equal records, key order and number kinds kept"),
    (lambda n: [type(n[0]["bounding_box"][k]) for k in ("x", "height")], [int, float], "int stays int"),
    (lambda n: n[1] is n[1] and n[-1] is n[3], True, "one dict per record, made once"),
    (lambda n: all(a is b for a, b in zip(n, [n[i] for i in range(4)])), True, "iteration yields the same"),
    (lambda n: n[0] is not ELEMENTS[0], True, "copies of the given records"),
]


@pytest.mark.parametrize("operation, expected, why", SEQUENCE_CASES, ids=[c[2] for c in SEQUENCE_CASES])
def test_native_list_is_a_sequence(native, operation, expected, why):
    assert operation(native[0]) == expected


@pytest.mark.parametrize(
    "operation, error",
    [
        (lambda n: n[4], IndexError),
        (lambda n: n[-5], IndexError),
        (lambda n: _native_records([])[0], IndexError),
        (lambda n: n["0"], TypeError),
    ],
    ids=["past the end", "before the start", "empty", "not an index"],
)
def test_native_list_index_errors(native, operation, error):
    with pytest.raises(error):
        operation(native[0])


def test_an_empty_native_list_is_false():
    empty = _native_records([])
    assert (len(empty), bool(empty), list(empty)) == (0, False, [])


def test_records_given_are_copied_not_referred_to():
    given = copy.deepcopy(ELEMENTS)
    native = _native_records(given)
    given[1]["text"] = "changed"
    assert native[1]["text"] == "Save"


def test_an_item_outlives_its_list():
    native = _native_records(ELEMENTS)
    found = DOMStrategy().resolve({"action": "click", "target": "Help"}, native)["element"]
    del native
    assert found["attributes"] == {"href": "/help"}


NO_EXTRAS = {"controls": [], "texts": []}


def _click(target):
    return {"action": "click", "target": target, "value": None}


# (call on native elements and texts, position in elements of the answer, why)
IDENTITY_CASES = [
    (lambda d, t: DOMStrategy().resolve(_click("Save"), d, t)["element"], 1, "text rules"),
    (lambda d, t: DOMStrategy().resolve(_click("Sav"), d, t)["candidates"][1], 2, "candidates too"),
    (lambda d, t: DOMStrategy()._resolve_verify("verify_present", "Help", d)["element"], 3, "a check"),
    (lambda d, t: matcher._filter_by_action("type", d)[0], 0, "filtered"),
    (lambda d, t: _ladder.exact_name("click", "Save", d[2]["xpath"], d, t, NO_EXTRAS)["element"], 1, "exact name"),
    (lambda d, t: _ladder.resolve({"action": "type", "target": "Email"}, d, t, NO_EXTRAS)["element"], 0, "ladder"),
    (lambda d, t: _ladder.retry_order("click", d, 1)[0], 2, "retry order"),
    (lambda d, t: MatrixBuilder(d, t).build()[1]["element"], 0, "matrix entries"),
    (
        lambda d, t: MatrixResolver(MatrixBuilder(d, t).build()).resolve(_click("the button right of Save"))["element"],
        2,
        "spatial",
    ),
]


@pytest.mark.parametrize("call, position, why", IDENTITY_CASES, ids=[c[2] for c in IDENTITY_CASES])
def test_answers_are_the_native_lists_own_items(native, call, position, why):
    elements, texts = native
    assert call(elements, texts) is elements[position]


def test_text_answers_are_the_native_texts_own_items(native):
    elements, texts = native
    found = DOMStrategy().resolve({"action": "find_text", "target": "Total", "value": None}, elements, texts)
    assert found["element"] is texts[2]
    survivors = DOMParser._dedup_text_elements(texts)
    assert [s is t for s, t in zip(survivors, texts)] == [True] * len(survivors)
    assert _ladder.row_of(elements[1]["xpath"], texts) == 1


def test_labels_assigned_in_place_reach_the_records_and_the_dicts_made():
    elements = _native_records([record("input", "", 100, 40, "/html[1]/body[1]/input[1]", type="text")])
    made = elements[0]
    DOMParser._assign_spatial_labels(elements, [record("label", "Name", 100, 10, "/html[1]/body[1]/label[1]")])
    assert made["attributes"].get("_label") == "Name"
    assert DOMStrategy().resolve({"action": "type", "target": "Name", "value": "x"}, elements)["element"] is made


class NotNative:
    """An object that only claims to hold native records."""

    _kelvo_records = object()


# Argument errors read as they do for any other wrong kind.
@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: DOMStrategy().resolve(_click("x"), NotNative()), "dom_elements must be a list, not NotNative"),
        (lambda: DOMStrategy().resolve(_click("x"), (), None), "dom_elements must be a list, not tuple"),
        (lambda: MatrixBuilder(NotNative()), "dom_elements must be a list, not NotNative"),
        (lambda: _ladder.row_of("/a", "texts"), "text_elements must be a list or None, not str"),
        (lambda: _ladder.row_of(None, []), "xpath must be str, not NoneType"),
        (lambda: matcher._searchable_strings(_native_records([])), "element must be a dict, not _NativeRecords"),
        (lambda: _native_records([1]), r"records\[0\] must be a dict, not int"),
    ],
    ids=["claims records", "tuple", "matrix", "row texts", "row xpath", "native as one element", "native from"],
)
def test_argument_errors_are_unchanged(call, message):
    with pytest.raises(TypeError, match=message):
        call()


def test_the_native_harvest_is_the_harvest(page, snapshots, capsys):
    """Same records, snapshot, log line and notes as extract_interactable_elements."""
    page.set_content(
        "<h1>Orders</h1><button>Pay \u20ac 8</button><secret-box></secret-box><script>"
        "customElements.define('secret-box', class extends HTMLElement { constructor() { super();"
        " this.attachShadow({mode: 'closed'}).innerHTML = '<a>x</a>'; } });</script>"
    )
    outcomes = []
    for harvest in ("extract_interactable_elements", "_extract_native"):
        parser = DOMParser(page)
        elements, texts = getattr(parser, harvest)()
        (path,) = snapshots.iterdir()
        outcomes.append(([list(elements), list(texts)], path.read_text(encoding="ascii"), capsys.readouterr().out))
        outcomes[-1] += (parser._notes,)
        path.unlink()
    assert outcomes[0][3], "the closed shadow root is noted"
    assert outcomes[0][2].startswith("  [DOM snapshot saved")
    assert outcomes[1] == outcomes[0]
