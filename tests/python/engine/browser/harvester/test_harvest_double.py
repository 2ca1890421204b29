"""The harvest over a scripted stand-in for the browser: failures a real page cannot
easily produce, and the pure steps (de-duplication, spatial labels) as tables."""

import pytest

from kelvo_web.engine.browser import harvester as hv
from kelvo_web.engine.browser.harvester import DOMParser


class Detached(Exception):
    pass


class FakeHandle:
    """Answers like an element handle; `fail_on` makes its n-th driver call raise."""

    def __init__(
        self,
        tag,
        text="",
        attrs=None,
        box=(0.0, 0.0, 10.0, 10.0),
        visible=True,
        xpath=None,
        direct=True,
        fail_on=None,
        failing_script=None,
    ):
        self.tag, self.text, self.attrs, self.visible = tag, text, attrs or {}, visible
        self.box = None if box is None else dict(zip(("x", "y", "width", "height"), box))
        self.xpath = xpath or f"/html[1]/body[1]/{tag}[1]"
        self.direct, self.fail_on, self.failing_script = direct, fail_on, failing_script
        self.calls = 0
        self.unknown_scripts = []

    def _call(self):
        self.calls += 1
        if self.calls == self.fail_on:
            raise Detached("element is not attached to the DOM")

    def is_visible(self):
        self._call()
        return self.visible

    def is_enabled(self):
        self._call()
        return True

    def inner_text(self):
        self._call()
        return self.text

    def get_attribute(self, name):
        self._call()
        return self.attrs.get(name)

    def bounding_box(self):
        self._call()
        return self.box

    def evaluate(self, script):
        self._call()
        if script == self.failing_script:
            raise Detached("navigated away")
        answers = {
            hv._TAG_NAME_JS: self.tag,
            hv._XPATH_JS: self.xpath,
            hv._DATA_ATTRIBUTES_JS: {k: v for k, v in self.attrs.items() if k.startswith("data-")},
            hv._DIRECT_TEXT_JS: self.direct,
            hv._PRECEDING_SIBLING_LABEL_JS: "Sibling",
            hv._PARENT_CHILDREN_LABEL_JS: "Parent",
        }
        if script not in answers:
            self.unknown_scripts.append(script)
        return answers.get(script)


class FakePage:
    def __init__(self, by_selector=None, pointers=(), url="http://example.test/app", failing_query=None):
        self.by_selector = by_selector or {}
        self.pointers = pointers
        self.url = url
        self.failing_query = failing_query

    def query_selector_all(self, selector):
        if selector == self.failing_query:
            raise Detached("page closed")
        return list(self.by_selector.get(selector, []))

    def query_selector(self, selector):
        return None

    def evaluate(self, script):
        assert script == hv._CURSOR_POINTER_JS
        if isinstance(self.pointers, Exception):
            raise self.pointers
        return self.pointers


BUTTON_CALLS = 20  # two verdicts, tag, text, box, 13 attributes, data attributes, XPath


@pytest.mark.parametrize("failing_call", range(1, BUTTON_CALLS + 1))
def test_any_failing_call_drops_just_that_element(failing_call):
    buttons = [FakeHandle("button", name, xpath=f"/b[{i}]") for i, name in enumerate(["A", "B", "C"], 1)]
    buttons[1].fail_on = failing_call
    page = FakePage({hv.INTERACTABLE_SELECTOR: buttons})
    elements, _ = DOMParser(page).extract_interactable_elements()
    assert [e["text"] for e in elements] == ["A", "C"]
    assert buttons[0].calls == BUTTON_CALLS
    assert buttons[0].unknown_scripts == []


@pytest.mark.parametrize(
    "failing_script, label",
    [
        (hv._PRECEDING_SIBLING_LABEL_JS, "Parent"),  # a failing label script is only skipped
        (hv._PARENT_CHILDREN_LABEL_JS, "Sibling"),
        (None, "Sibling"),
    ],
)
def test_label_scripts_fail_softly(failing_script, label):
    field = FakeHandle("input", failing_script=failing_script)
    page = FakePage({hv.INTERACTABLE_SELECTOR: [field]})
    elements, _ = DOMParser(page).extract_interactable_elements()
    assert elements[0]["attributes"] == {"_label": label}


@pytest.mark.parametrize("result", [Detached("navigated"), None, []])
def test_failing_or_empty_pointer_scan_leaves_the_rest_of_the_harvest(result):
    page = FakePage(
        {hv.INTERACTABLE_SELECTOR: [FakeHandle("button", "Save")], hv.TEXT_SELECTOR: [FakeHandle("p", "Hi")]},
        pointers=result,
    )
    elements, texts = DOMParser(page).extract_interactable_elements()
    assert [e["tag"] for e in elements] == ["button"]
    assert [t["text"] for t in texts] == ["Hi"]


def test_pointer_items_become_button_descriptors_once_per_xpath():
    item = {"tag": "li", "text": "Buy", "xpath": "/x[1]", "x": 1, "y": 2, "w": 3, "h": 4, "cls": "", "aria": "Buy it"}
    page = FakePage(pointers=[item, dict(item, text="Again")])
    assert DOMParser(page)._extract_cursor_pointer_elements() == [
        {
            "tag": "button",
            "text": "Buy",
            "attributes": {"aria-label": "Buy it"},
            "bounding_box": {"x": 1, "y": 2, "width": 3, "height": 4},
            "is_visible": True,
            "is_enabled": True,
            "xpath": "/x[1]",
        }
    ]


@pytest.mark.parametrize(
    "selector",
    [hv.INTERACTABLE_SELECTOR, hv._CUSTOM_INPUT_SELECTOR, hv._LABEL_CANDIDATE_SELECTOR, hv.TEXT_SELECTOR],
)
def test_failing_initial_query_ends_the_harvest_with_the_drivers_error(selector):
    page = FakePage({hv.INTERACTABLE_SELECTOR: [FakeHandle("button", "Save")]}, failing_query=selector)
    with pytest.raises(Detached, match="page closed"):
        DOMParser(page).extract_interactable_elements()


def test_interrupt_is_not_taken_for_an_element_failure():
    class Interrupting(FakeHandle):
        def is_visible(self):
            raise KeyboardInterrupt

    page = FakePage({hv.INTERACTABLE_SELECTOR: [Interrupting("button", "Save")]})
    with pytest.raises(KeyboardInterrupt):
        DOMParser(page).extract_interactable_elements()


@pytest.mark.parametrize(
    "box, kept",
    [
        ({"x": 0.0, "y": 0.0, "width": 50.0, "height": 0.0}, True),  # zero height, yet seen by the driver
        ({}, False),
        (None, False),
    ],
)
def test_text_element_needs_a_box_of_any_size(box, kept):
    handle = FakeHandle("span", "Total")
    handle.box = box
    page = FakePage({hv.TEXT_SELECTOR: [handle]})
    assert len(DOMParser(page).extract_text_elements()) == int(kept)


def test_malformed_driver_answers_drop_the_element():
    bad = FakeHandle("button", "Bad")
    bad.box = {"x": 0, "y": 0, "width": "wide", "height": 10}
    page = FakePage({hv.INTERACTABLE_SELECTOR: [bad, FakeHandle("button", "Good")]})
    elements, _ = DOMParser(page).extract_interactable_elements()
    assert [e["text"] for e in elements] == ["Good"]


def text(name, box, direct=False, tag="div"):
    return {
        "tag": tag,
        "text": name,
        "has_direct_text": direct,
        "attributes": {},
        "bounding_box": dict(zip(("x", "y", "width", "height"), box)),
        "is_visible": True,
        "is_enabled": True,
        "xpath": "/" + name,
    }


@pytest.mark.parametrize(
    "records, survivors",
    [
        ([text("Total: 42", (0, 0, 100, 20)), text("Total: 42", (0, 0, 50, 20), True)], [1]),
        (
            [
                text("Hello World", (0, 0, 100, 20)),
                text("Hello", (0, 0, 40, 20), True),
                text("World", (50, 0, 40, 20), True),
            ],
            [1, 2],
        ),
        ([text("Own child", (0, 0, 100, 20), True), text("child", (0, 0, 40, 20), True)], [0, 1]),
        ([text("Same", (0, 0, 50, 20)), text("Same", (0, 0, 50, 20))], [0, 1]),  # neither is smaller
        ([text("Above", (0, 0, 100, 20)), text("Above", (0, 20, 50, 20))], [0, 1]),  # touching only
        ([text("Total", (0, 0, 100, 20)), text("total", (0, 0, 50, 20))], [0, 1]),  # case-sensitive
        # a smaller wrapper that is itself removed still removes its own wrapper
        ([text("A B", (0, 0, 100, 40)), text("A B", (0, 0, 90, 30)), text("A", (0, 0, 10, 10), True)], [2]),
        ([], []),
    ],
)
def test_dedup_text_elements(records, survivors):
    result = DOMParser._dedup_text_elements(records)
    assert [id(r) for r in result] == [id(records[i]) for i in survivors]  # the very records


def candidate(name, x, y, width, height):
    return {"text": name, "bounding_box": {"x": x, "y": y, "width": width, "height": height}}


FIELD_BOX = {"x": 100.0, "y": 100.0, "width": 100.0, "height": 20.0}


@pytest.mark.parametrize(
    "candidates, label",
    [
        ([candidate("Far", 100, 0, 50, 20), candidate("Touching", 100, 80, 50, 20)], "Touching"),  # distance 0
        ([candidate("Far", 100, 0, 50, 20), candidate("Low", 100, 81, 50, 20)], "Far"),  # 1 px too low
        ([candidate("Left", 0, 100, 90, 20)], None),  # same line, to the left
        ([candidate("Edge", 200, 0, 30, 20)], "Edge"),  # touching horizontally counts
        ([candidate("Short", 0, 0, 99.5, 20)], None),
        ([candidate("First", 120, 50, 10, 20), candidate("Second", 150, 50, 10, 20)], "First"),  # tie
        ([candidate("Very far", 100, -5000, 10, 20)], "Very far"),  # no distance limit
        ([], None),
    ],
)
def test_assign_spatial_labels(candidates, label):
    field = {"tag": "input", "attributes": {"id": "f"}, "bounding_box": dict(FIELD_BOX)}
    DOMParser._assign_spatial_labels([field], candidates)
    assert field["attributes"].get("_label") == label


@pytest.mark.parametrize(
    "attributes, label",
    [
        ({"_label": "Field"}, "Field"),  # a label already found is never overwritten
        ({"_label": ""}, "Above"),
        (None, "Above"),  # no attributes record: one is made
    ],
)
def test_spatial_labels_only_fill_missing_labels(attributes, label):
    element = {"tag": "button", "bounding_box": dict(FIELD_BOX)}
    if attributes is not None:
        element["attributes"] = attributes
    DOMParser._assign_spatial_labels([element], [candidate("Above", 100, 50, 50, 20)])
    assert element["attributes"]["_label"] == label


@pytest.mark.parametrize(
    "tag, classes, expected",
    [
        ("input", "editable", False),
        ("div", "", False),
        ("div", None, False),
        ("span", "my-Editable", True),
        ("div", "Input-wrapper", True),  # the function lower-cases; only the page selector is case-sensitive
        ("select", "input", False),
    ],
)
def test_is_custom_input(tag, classes, expected):
    assert hv._is_custom_input(tag, classes) is expected


@pytest.mark.parametrize(
    "call, error",
    [
        (lambda: hv._is_custom_input(None, ""), "tag must be str"),
        (lambda: DOMParser._dedup_text_elements("records"), "candidates must be a list"),
        (lambda: DOMParser._assign_spatial_labels([], None), "label_candidates must be a list"),
        (lambda: DOMParser(FakePage())._save_snapshot({}, []), "elements must be a list"),
    ],
)
def test_arguments_of_the_wrong_kind(call, error):
    with pytest.raises(TypeError, match=error):
        call()
