"""One harvest of small pages in real Chromium: what is kept, what is dropped, and how
each descriptor reads."""

import pytest

from kelvo_web.engine.browser.harvester import DOMParser

GIF = "data:image/gif;base64,R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw=="


def native(elements):
    return [(e["tag"], e["text"], e["is_visible"]) for e in elements if "is_editable_field" not in e]


@pytest.mark.parametrize(
    "markup, expected",
    [
        ('<input value="  Go  ">', [("input", "Go", True)]),  # empty inner text: trimmed value
        ('<button style="visibility:hidden" title="Hint">Hidden</button>', [("button", "", False)]),
        ('<button style="visibility:hidden" aria-label="Hint">Hidden</button>', [("button", "", False)]),
        ('<button style="visibility:hidden" title="">Hidden</button>', []),  # an empty name is no name
        ('<button style="visibility:hidden">Hidden</button>', []),
        ('<button style="display:none" aria-label="Hint">Gone</button>', []),  # no layout box at all
        ('<button style="width:0;padding:0;border:0">Zero</button>', []),
        (f'<img alt="Logo" src="{GIF}" width="10" height="10">', [("img", "", True)]),
        ('<button data-testid="save">Save</button>', [("button", "Save", True)]),  # two selector parts
        ('<div role="button">Role</div>', [("div", "Role", True)]),  # the real tag, not the role
        ("<p>No controls here</p>", []),
    ],
)
def test_native_descriptors_kept_and_dropped(harvest, markup, expected):
    elements, _ = harvest(markup)
    assert native(elements) == expected


def test_attributes_follow_captured_order_then_data_attributes_in_markup_order(harvest):
    elements, _ = harvest('<button data-row="7" class="c" data-testid="t" id="i" title="T" disabled>X</button>')
    (button,) = elements
    assert list(button["attributes"].items()) == [
        ("id", "i"),
        ("title", "T"),
        ("class", "c"),
        ("data-testid", "t"),
        ("data-row", "7"),
    ]
    assert button["is_enabled"] is False
    assert list(button) == ["tag", "text", "attributes", "bounding_box", "is_visible", "is_enabled", "xpath"]
    assert list(button["bounding_box"]) == ["x", "y", "width", "height"]
    assert all(isinstance(v, float) for v in button["bounding_box"].values())


def test_attribute_present_without_value_reads_as_empty_string(harvest):
    elements, _ = harvest('<input name placeholder="Find">')
    assert elements[0]["attributes"] == {"name": "", "placeholder": "Find", "_label": "Find"}


def test_invisible_named_input_is_kept_with_its_field_label(harvest):
    elements, _ = harvest('<input style="visibility:hidden" aria-label=" Secret ">')
    (field,) = elements
    assert field["is_visible"] is False
    assert field["attributes"]["_label"] == "Secret"


def test_element_in_two_sources_is_listed_twice_with_one_xpath(harvest):
    elements, _ = harvest('<div role="button" style="cursor:pointer">Go on</div>')
    assert [(e["tag"], e["xpath"]) for e in elements] == [
        ("div", "/html[1]/body[1]/div[1]"),
        ("button", "/html[1]/body[1]/div[1]"),
    ]


def test_xpaths_count_same_tag_siblings_only(harvest):
    _, texts = harvest(
        "<ul><li>a</li><li>b</li><span>s</span><li>c</li></ul><div></div><div><form><input><input><input></form></div>"
    )
    assert {t["text"]: t["xpath"] for t in texts} == {
        "a": "/html[1]/body[1]/ul[1]/li[1]",
        "b": "/html[1]/body[1]/ul[1]/li[2]",
        "s": "/html[1]/body[1]/ul[1]/span[1]",
        "c": "/html[1]/body[1]/ul[1]/li[3]",
    }
    elements, _ = harvest("<div></div><div><form><input><input><input></form></div>")
    assert elements[2]["xpath"] == "/html[1]/body[1]/div[2]/form[1]/input[3]"


FIFTY = "x" * 50
FORTY_NINE = "y" * 49


@pytest.mark.parametrize(
    "markup, label",
    [
        ('<label for="f">Email</label><input id="f" aria-label="   ">', "Email"),
        # several ids make one selector that finds nothing; the chain goes on with the id
        (
            '<span id="a">Alpha</span><span id="b">Beta</span><input id="f" aria-labelledby="a b">'
            '<label for="f">Gamma</label>',
            "Gamma",
        ),
        ('<span id="a"> Alpha </span><input aria-labelledby="a" placeholder="P">', "Alpha"),
        ('<input id="f" placeholder="  Search  " title="T"><label for="g">Other</label>', "Search"),
        ('<input title="  Tip ">', "Tip"),
        ("<div><span>Contact</span> <span>Email</span> <input></div>", "Email"),  # nearest first
        (f"<div><span>Far</span><span>{FIFTY}</span><input></div>", "Far"),  # 50 characters: too long
        (f"<div><span>Far</span><span>{FORTY_NINE}</span><input></div>", FORTY_NINE),
        ("<div><p><b>Name</b> and more</p><input></div>", "and more"),  # own text before children
        ("<div><p><b> Name </b><i>x</i></p><input></div>", "Name"),  # else the first child's text
        # no sibling has own text or a short first child: the parent's first short child
        ("<div><div><b></b><i>Contact</i></div><div><b></b><i>Email</i></div><input></div>", "Contact"),
        ("<input>", ""),
    ],
)
def test_field_label_chain(page, markup, label):
    page.set_content(markup)
    assert DOMParser(page)._get_field_label(page.query_selector("input")) == label


def test_label_candidates_are_short_one_line_visible_first_occurrences(page):
    page.set_content(
        '<div style="height:40px">Forty</div><div style="height:41px">FortyOne</div>'
        f"<span>{'s' * 60}</span><p>{'p' * 61}</p><h3>Dup</h3><h4>Dup</h4>"
        '<div style="visibility:hidden">Hidden</div><div>   </div>'
    )
    candidates = DOMParser(page)._collect_label_candidates()
    assert [c["text"] for c in candidates] == ["Forty", "s" * 60, "Dup"]
    assert list(candidates[0]) == ["text", "bounding_box"]


def test_select_gets_spatial_label_but_no_field_label(harvest):
    elements, _ = harvest('<h3>Palette</h3><label for="s">Colour</label> <select id="s"><option>Red</option></select>')
    (select,) = elements
    assert select["attributes"]["_label"] == "Palette"


CUSTOM_PAGE = """
<div class="input-group"><input><button>Redeem</button></div>
<label for="c">Notes</label><span id="c" class="cell-editable"> Ann </span>
<div class="Input-wrapper">Case</div>
<div class="editable" style="visibility:hidden">Hidden</div>
<div class="editable" style="width:80px;height:20px"></div>
<div class="my-input">Plain</div>
<span class="editable" style="display:inline-block;width:0">Narrow</span>
"""


def test_custom_inputs(harvest):
    elements, _ = harvest(CUSTOM_PAGE)
    custom = [(e["tag"], e["text"], e["attributes"].get("class")) for e in elements if e.get("is_editable_field")]
    assert custom == [
        ("span", "Ann", "cell-editable"),
        ("div", "", "editable"),  # empty text is fine for a widget
        ("div", "Plain", "my-input"),
    ]
    # the wrapper holding real controls is not a widget: only its controls are listed, first
    assert [e["tag"] for e in elements] == ["input", "button", "span", "div", "div"]
    span = elements[2]
    assert span["attributes"]["_label"] == "Notes"
    assert (span["is_visible"], span["is_enabled"], span["is_editable_field"]) == (True, True, True)
    assert list(span)[-2:] == ["is_editable_field", "xpath"]


POINTER_PAGE = f"""
<style>.p {{ cursor: pointer }}</style>
<div class="p"><span>Buy now</span></div>
<ul class="p"><li>{"a" * 60}</li><li>{"b" * 61}</li>
  <li>{"<b>t</b>" * 10}</li><li>{"<i>e</i>" * 11}</li></ul>
<table><tr><td style="cursor:pointer">Cell</td><td>Plain</td></tr></table>
<span class="p" aria-label="Close">&times;</span>
<div class="p" style="width:0">Hidden in a zero box</div>
<div class="p">   </div>
"""


def test_pointer_descriptors(page):
    page.set_content(POINTER_PAGE)
    pointers = DOMParser(page)._extract_cursor_pointer_elements()
    assert [(p["text"], p["attributes"]) for p in pointers] == [
        ("Buy now", {"class": "p"}),
        ("Buy now", {}),  # the span inherits the cursor
        ("a" * 60, {}),
        ("t" * 10, {}),
        ("Cell", {}),
        ("\u00d7", {"class": "p", "aria-label": "Close"}),
    ]
    assert len({p["xpath"] for p in pointers}) == len(pointers)
    assert {p["tag"] for p in pointers} == {"button"}
    assert all(type(v) is int for p in pointers for v in p["bounding_box"].values())


@pytest.mark.parametrize(
    "markup, expected",
    [
        ("<div><span>Total: 42 \u20ac</span></div>", [("span", "Total: 42 \u20ac")]),
        ("<div><span>Hello</span> <span>World</span></div>", [("span", "Hello"), ("span", "World")]),
        ("<div>Own <span>child</span></div>", [("div", "Own child"), ("span", "child")]),
        ("<p>   </p><div style='display:none'>Gone</div>", []),
    ],
)
def test_text_elements(page, markup, expected):
    page.set_content(markup)
    texts = DOMParser(page).extract_text_elements()
    assert [(t["tag"], t["text"]) for t in texts] == expected


def test_text_element_layout(page):
    page.set_content('<a id="home" href="/h" data-k="v" class="c" aria-label="Home">Start</a>')
    (link,) = DOMParser(page).extract_text_elements()
    assert list(link) == [
        "tag",
        "text",
        "has_direct_text",
        "attributes",
        "bounding_box",
        "is_visible",
        "is_enabled",
        "xpath",
    ]
    assert list(link["attributes"].items()) == [
        ("id", "home"),
        ("class", "c"),
        ("href", "/h"),
        ("aria-label", "Home"),
        ("data-k", "v"),
    ]
