"""DOMStrategy through Python: answers hold the caller's own records, inputs stay untouched."""

import copy

import pytest

from kelvo_web.engine.strategies.matcher import DOMStrategy

NBSP = "\u00a0"


def element(tag, text, x=0, y=0, w=50, h=20, visible=True, enabled=True, xpath=None, **attributes):
    return {
        "tag": tag,
        "text": text,
        "attributes": dict(attributes),
        "bounding_box": {"x": x, "y": y, "width": w, "height": h},
        "is_visible": visible,
        "is_enabled": enabled,
        "xpath": xpath or f"/html[1]/body[1]/{tag}[1]",
    }


def text_element(tag, text, x, y, w=50, h=20, xpath=None):
    record = element(tag, text, x, y, w, h, xpath=xpath)
    record["has_direct_text"] = True
    return record


def instruction(action, target, value=None, ordinal=None):
    record = {"action": action, "target": target, "value": value}
    if ordinal is not None:
        record["ordinal"] = ordinal
    record["_literal_target"] = False
    return record


def page():
    """A small checkout form with a price table, as a harvest would deliver it."""
    dom = [
        element("input", "", 100, 40, _label="E-mail:", name="email"),
        element("button", "Sign-in", 100, 80),
        element("button", "Login with Google", 200, 80),
        element("button", "Login", 300, 80),
        element("button", "Payer maintenant", 100, 120, enabled=False),
        element("select", "Rouge Vert", 100, 160, _label="Couleur"),
    ]
    text = [
        text_element("th", f"PRIX{NBSP}TOTAL", 100, 200, xpath="/html[1]/body[1]/table[1]/tr[1]/th[1]"),
        text_element("td", f"1{NBSP}200,00{NBSP}€", 100, 240, xpath="/html[1]/body[1]/table[1]/tr[2]/td[1]"),
        text_element("h1", "ÉTÉ EN FÊTE", 100, 0, xpath="/html[1]/body[1]/h1[1]"),
        text_element("span", "Total", 400, 300, xpath="/html[1]/body[1]/span[1]"),
        text_element("span", "€", 470, 300, w=10, xpath="/html[1]/body[1]/span[2]"),
    ]
    return dom, text


# (instruction, which list, position of the answer or None, why)
RESOLVE_CASES = [
    (instruction("type", "E-mail", "alice"), "dom", 0, "hyphenated label names the field"),
    (instruction("click", "Sign-in", ordinal=1), "dom", 1, "hyphenated button text"),
    (instruction("click", "Login", ordinal=1), "dom", 3, "exact beats the longer Login with Google"),
    (instruction("click", "LOGIN button", ordinal=1), "dom", 3, "descriptor stripped, case ignored"),
    (instruction("click", "payer", ordinal=1), "dom", 4, "disabled elements can still be named"),
    (instruction("select", "Couleur", "Rouge"), "dom", None, "select does not read labels"),
    (instruction("extract_text", "été en fête", ordinal=1), "text", 2, "accented capitals, text fallback"),
    (instruction("find_text", f"prix{NBSP}total"), "text", 0, "non-breaking space inside the target"),
    (instruction("find_exact_text", "total"), "text", 3, "whole text, any case"),
    (instruction("verify_text_visible", "1" + NBSP + "200"), "text", 1, "non-breaking thousands"),
    (instruction("verify_disabled", "Payer maintenant"), "dom", 4, "state check"),
    (instruction("verify_spatial_text", "below prix" + NBSP + "total", "1 200,00"), "text", 1, "value below a heading"),
    (instruction("extract_text_spatial", "right of Total"), "text", 4, "nearest text right"),
    (instruction("click", "Nowhere", ordinal=1), None, None, "not found"),
]


@pytest.mark.parametrize("parsed, source, position, why", RESOLVE_CASES, ids=[c[-1] for c in RESOLVE_CASES])
def test_answers_are_the_callers_own_records(parsed, source, position, why):
    dom, text = page()
    result = DOMStrategy().resolve(parsed, dom, text)
    if position is None:
        assert result["element"] is None
        return
    chosen = (dom if source == "dom" else text)[position]
    assert result["element"] is chosen
    assert any(candidate is chosen for candidate in result["candidates"])
    pool = dom + text
    assert all(any(candidate is record for record in pool) for candidate in result["candidates"])


@pytest.mark.parametrize("parsed, source, position, why", RESOLVE_CASES, ids=[c[-1] for c in RESOLVE_CASES])
def test_caller_lists_and_records_are_left_as_they_were(parsed, source, position, why):
    dom, text = page()
    dom_before, text_before = copy.deepcopy(dom), copy.deepcopy(text)
    dom_ids, text_ids = [id(r) for r in dom], [id(r) for r in text]
    parsed_before = copy.deepcopy(parsed)
    DOMStrategy().resolve(parsed, dom, text)
    assert (dom, text, parsed) == (dom_before, text_before, parsed_before)
    assert [id(r) for r in dom] == dom_ids and [id(r) for r in text] == text_ids


KEY_ORDERS = [
    ("click", ["resolved", "confidence", "element", "candidates"]),
    ("find_text", ["resolved", "confidence", "element", "candidates"]),
    ("verify_present", ["resolved", "verified", "confidence", "element", "state", "candidates"]),
    ("verify_text_present", ["resolved", "verified", "confidence", "element", "state", "candidates"]),
    ("verify_spatial_text", ["resolved", "verified", "confidence", "element", "state", "candidates"]),
    ("extract_text_spatial", ["resolved", "confidence", "element", "extracted", "candidates"]),
]


@pytest.mark.parametrize("action, keys", KEY_ORDERS)
@pytest.mark.parametrize("target", ["Login", "nothing like it", "below Total"])
def test_result_keys_in_order_and_confidence_a_float(action, keys, target):
    dom, text = page()
    result = DOMStrategy().resolve(instruction(action, target, "x"), dom, text)
    assert list(result) == keys
    assert type(result["confidence"]) is float
    assert result["confidence"] == (1.0 if result["resolved"] else 0.0)


def test_each_call_answers_a_new_dict_and_new_candidate_list():
    dom, text = page()
    strategy = DOMStrategy()
    first = strategy.resolve(instruction("click", "Login", ordinal=1), dom, text)
    second = strategy.resolve(instruction("click", "Login", ordinal=1), dom, text)
    assert first == second and first is not second
    assert first["candidates"] is not second["candidates"]
    first["candidates"].clear()
    assert len(second["candidates"]) == 1


# The faults mended: each of these used to come back as found or verified.
MENDED = [
    (instruction("type", "E-mail", "a"), "resolved", True, "surface normalised like the target"),
    (
        instruction("verify_spatial_text", "right of Total", "5"),
        "verified",
        False,
        "a lone currency sign verifies nothing",
    ),
    (
        instruction("extract_text_spatial", "below Total"),
        "resolved",
        False,
        "nothing below: the label's own text is no value",
    ),
    (instruction("click", "Login", ordinal=-5), "resolved", False, "ordinal before the first match"),
]


@pytest.mark.parametrize("parsed, key, answer, why", MENDED, ids=[c[-1] for c in MENDED])
def test_mended_answers(parsed, key, answer, why):
    dom, text = page()
    result = DOMStrategy().resolve(parsed, dom, text)
    assert result[key] is answer
    if parsed["action"] == "extract_text_spatial":
        assert result["extracted"] == "" and result["candidates"] == [] and result["element"] is None


def test_nothing_in_the_direction_answers_with_the_anchor_itself():
    dom, text = page()
    result = DOMStrategy().resolve(instruction("verify_spatial_text", "below Total", "5"), dom, text)
    assert result["resolved"] is True and result["verified"] is False
    assert result["element"] is text[3]
    assert result["state"] == {"expected": "5", "actual": "no element below of 'Total'"}


def test_anchor_taken_from_the_interactable_list_is_the_callers_record():
    button = element("button", "Total", 100, 100)
    result = DOMStrategy().resolve(instruction("verify_spatial_text", "below Total", "1"), [button], [])
    assert result["element"] is button


def test_hand_built_flags_are_reported_as_stored():
    record = element("button", "Go")
    record["is_visible"] = 1
    del record["is_enabled"]
    result = DOMStrategy().resolve(instruction("verify_visible", "Go"), [record])
    assert result["verified"] == 1 and type(result["verified"]) is int
    assert result["state"] == {"present": True, "visible": 1, "enabled": False}


def test_operations_take_keyword_arguments():
    dom, text = page()
    strategy = DOMStrategy()
    assert strategy.resolve(parsed_instruction=instruction("click", "Login"), dom_elements=dom)["element"] is dom[3]
    assert strategy._resolve_find_text(target="total", text_elements=text)["element"] is text[3]
    assert strategy._resolve_verify(action="verify_enabled", target="Login", dom_elements=dom)["verified"] is True
    spatial = strategy._resolve_extract_spatial_text(target="right of Total", text_elements=text, dom_elements=None)
    assert spatial["extracted"] == "€"


TYPE_ERRORS = [
    (lambda s: s.resolve([], []), "parsed_instruction must be a dict, not list"),
    (lambda s: s.resolve({"action": "click", "target": "x"}, ({},)), "dom_elements must be a list, not tuple"),
    (lambda s: s.resolve({"action": "click", "target": "x"}, [], "t"), "text_elements must be a list or None, not str"),
    (lambda s: s.resolve({"action": "click", "target": "x"}, [3]), "dom_elements[0] must be a dict, not int"),
    (
        lambda s: s.resolve({"action": 1, "target": "x"}, []),
        "parsed_instruction['action'] must be str or None, not int",
    ),
    (lambda s: s.resolve({"action": "click", "target": None}, []), "target must be str, not NoneType"),
    (
        lambda s: s.resolve({"action": "verify_present", "target": b"x"}, []),
        "parsed_instruction['target'] must be str or None, not bytes",
    ),
    (lambda s: s.resolve({"action": "click", "target": "x", "ordinal": "2"}, []), "ordinal must be int, not str"),
    (
        lambda s: s.resolve({"action": "verify_spatial_text", "target": "below x", "value": 42}, []),
        "expected must be str, not int",
    ),
    (lambda s: s._resolve_find_text(None, []), "target must be str, not NoneType"),
    (lambda s: s._resolve_verify_spatial_text("below x", 42, []), "expected must be str, not int"),
    (lambda s: s._resolve_extract_spatial_text("below x", [], {}), "dom_elements must be a list or None, not dict"),
]


@pytest.mark.parametrize("call, message", TYPE_ERRORS, ids=[m for _, m in TYPE_ERRORS])
def test_wrong_argument_kinds_name_the_argument(call, message):
    with pytest.raises(TypeError) as raised:
        call(DOMStrategy())
    assert message in str(raised.value)


def test_unmeasurable_box_is_a_key_error_naming_the_record():
    dom, text = page()
    del text[4]["bounding_box"]["width"]
    with pytest.raises(KeyError, match=r"text_elements\[4\]\['bounding_box'\]\['width'\]"):
        DOMStrategy().resolve(instruction("extract_text_spatial", "right of Total"), dom, text)
