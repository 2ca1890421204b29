"""The matching helpers and tables of the matcher module, as a Python caller uses them."""

import pytest

from kelvo_web.engine.strategies import matcher


def test_tables_have_python_kinds_and_contents():
    assert matcher._MATCH_ATTRIBUTES == ["aria-label", "_label", "placeholder", "data-testid", "type", "alt"]
    assert isinstance(matcher._TYPE_DESCRIPTORS, set) and len(matcher._TYPE_DESCRIPTORS) == 18
    assert {"btn", "element", "textbox"} <= matcher._TYPE_DESCRIPTORS
    assert matcher._TYPEABLE_TAGS == {"input", "textarea"}
    assert matcher._TYPEABLE_ROLES == {"textbox", "searchbox", "spinbutton", "combobox"}
    assert matcher._SELECTABLE_TAGS == {"select"}
    assert len(matcher._TEXT_ONLY_TAGS) == 14 and "button" not in matcher._TEXT_ONLY_TAGS
    assert matcher._DOM_DISTANCE_THRESHOLD == 10 and type(matcher._DOM_DISTANCE_THRESHOLD) is int


def test_descriptions():
    assert (
        matcher.__doc__ == "Level 1 resolution strategy: matches instructions to DOM elements by text and attributes."
    )
    assert matcher.DOMStrategy.__doc__ == "Resolves a parsed instruction against a list of live DOM elements."


@pytest.mark.parametrize(
    "target, expected",
    [
        ("Login button", "Login"),
        ("Select country dropdown", "country"),
        ("input field", "input field"),
        ("\u00a0Prix\u00a0total\u00a0BUTTON", "Prix total"),
        ("CHAMP Email FIELD", "CHAMP Email"),
    ],
)
def test_strip_type_descriptors(target, expected):
    assert matcher._strip_type_descriptors(target) == expected


SURFACES = [
    (
        {
            "text": "",
            "attributes": {
                "placeholder": "Search products",
                "class": "form-control search_box mt-3",
                "id": "main-search",
                "data-track-id": "x1",
                "data-testid": "search",
            },
        },
        False,
        ["Search products", "search", "form control search box", "main search", "track id"],
    ),
    ({"text": "Go", "attributes": {"_label": "Courriel"}}, True, ["Go", "Courriel"]),
    ({"text": "Go", "attributes": {"_label": "Courriel"}}, False, ["Go"]),
    ({"attributes": {"class": "prix\u0663 Été-promo"}}, False, ["Été promo"]),
    ({}, False, []),
]


@pytest.mark.parametrize("element, include_label, surfaces", SURFACES)
def test_searchable_strings(element, include_label, surfaces):
    assert matcher._searchable_strings(element, include_label=include_label) == surfaces


MATCHES = [
    # target, element, include_label, contains, exact
    ("E-mail", {"attributes": {"_label": "E-mail:"}}, True, True, False),
    ("Sign-in", {"text": "Sign-in"}, False, True, True),
    ("first-name", {"attributes": {"placeholder": "first-name"}}, False, True, True),
    ("total", {"text": "\u00a0Total\u00a0"}, False, True, True),
    ("ÉCOLE", {"text": "école"}, False, True, True),
    ("€", {"text": "Prix : 12 €"}, False, True, False),
    ("", {}, False, False, False),
    ("Email", {"attributes": {"_label": "Email"}}, False, False, False),
]


@pytest.mark.parametrize("target, element, include_label, contains, exact", MATCHES)
def test_match_tests(target, element, include_label, contains, exact):
    assert matcher._matches_element(target, element, include_label) is contains
    assert matcher._exact_matches_element(target=target, element=element, include_label=include_label) is exact


def test_filter_by_action_returns_the_callers_objects_or_list():
    button = {"tag": "button", "text": "Go"}
    field = {"tag": "textarea", "text": ""}
    combo = {"tag": "div", "attributes": {"role": "combobox"}}
    elements = [button, field, combo]
    kept = matcher._filter_by_action("type", elements)
    assert kept == [field, combo] and kept[0] is field and kept[1] is combo and kept is not elements
    assert matcher._filter_by_action("select", elements) is elements
    assert matcher._filter_by_action("click", elements) is elements
    assert elements == [button, field, combo]


@pytest.mark.parametrize(
    "a, b, distance",
    [
        ("/html[1]/body[1]/div[2]/span[1]", "/html[1]/body[1]/div[2]/input[1]", 2),
        ("/html[1]/body[1]/div[1]/span[1]", "/html[1]/body[1]/div[2]/span[1]", 4),
        ("/html[1]/body[1]", "html[1]/body[1]/", 0),
    ],
)
def test_dom_distance(a, b, distance):
    assert matcher._dom_distance(a, b) == distance


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: matcher._strip_type_descriptors(5), "target must be str, not int"),
        (lambda: matcher._searchable_strings(["text"]), "element must be a dict, not list"),
        (lambda: matcher._matches_element("x", None), "element must be a dict, not NoneType"),
        (lambda: matcher._filter_by_action(None, []), "action must be str, not NoneType"),
        (lambda: matcher._filter_by_action("type", ({},)), "elements must be a list, not tuple"),
        (lambda: matcher._dom_distance("/a", None), "xpath_b must be str, not NoneType"),
    ],
)
def test_wrong_kinds_name_the_argument(call, message):
    with pytest.raises(TypeError, match=message.replace("[", r"\[")):
        call()
