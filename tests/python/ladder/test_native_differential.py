"""The agent reads a harvest as native lists: on every fixture page, every resolver it uses
gives the same answer on them as on the harvest's dicts, by position in the harvest."""

import pytest
from accuracy_cases import CASES

from kelvo_web.agent import finding
from kelvo_web.agent.element_identity import FRAME_STEP, identity_of
from kelvo_web.engine.agent import _ladder
from kelvo_web.engine.browser.harvester import DOMParser, _NativeRecords
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
from kelvo_web.engine.spatial.surveyor import MatrixResolver
from kelvo_web.engine.strategies import matcher

PAGE_NAMES = sorted({case[1] for case in CASES})


def positions(value, where):
    """The answer with every record it names replaced by its (list, position) in the harvest."""
    if isinstance(value, dict):
        if id(value) in where:
            return where[id(value)]
        return {key: positions(item, where) for key, item in value.items()}
    if isinstance(value, (list, tuple, _NativeRecords)):  # a list given back whole is the list itself
        return [positions(item, where) for item in value]
    return value


def places(*lists):
    return {id(record): (k, i) for k, records in enumerate(lists) for i, record in enumerate(records)}


def reference_row(element, texts):
    """The row the identity check compared before the walk moved into the core."""
    xpath, row = element.get("xpath") or "", None
    for candidate in texts:
        path = candidate.get("xpath") or ""
        if (
            path
            and xpath.startswith(path + "/")
            and FRAME_STEP not in xpath[len(path) :]
            and (row is None or len(path) > len(row["xpath"]))
        ):
            row = candidate
    return row


def resolvers(page, parsed, dom, texts, extras):
    """Every answer the agent may ask for on one harvest, for one step."""
    answers = {"decided": _ladder.StepPlan(parsed).decide(dom, texts, extras)}
    rules = matcher.DOMStrategy().resolve(parsed, dom, texts)
    answers["rules"] = rules
    answers["ladder"] = _ladder.resolve(parsed, dom, texts, extras)
    action, target = parsed["action"], parsed["target"] or ""
    order = _ladder.resolver_order(action, target)
    if order:
        matrix = MatrixBuilder(dom, texts).build()
        answers["matrix"] = matrix
        if _ladder.SPATIAL in order:
            answers["spatial"] = MatrixResolver(matrix).resolve(parsed)
        chosen = (answers.get("spatial") or rules).get("element")
        if chosen is not None and action in ("click", "hover", "type", "select"):
            answers["exact"] = _ladder.exact_name(action, target, chosen["xpath"], dom, texts, extras)
            answers["twin"] = _ladder.row_twin(action, target, chosen["xpath"], dom, texts, extras)
            answers["retry"] = _ladder.retry_order(action, rules["candidates"] or [chosen], 0)
    return answers


@pytest.mark.parametrize("name", PAGE_NAMES)
def test_native_harvest_answers_as_the_dicts_do(open_page, name):
    page = open_page(name)
    parser = DOMParser(page)
    dom, texts = parser.extract_interactable_elements()
    native_dom, native_texts = parser._extract_native()
    assert (list(native_dom), list(native_texts)) == (dom, texts)  # the same records in the same order

    extras = finding.read_extras(page)
    asked = finding.engine().harvest(page, also=finding.engine().extras_in_harvest)[4]
    assert {key: list(v) for key, v in asked.items()} == {key: list(v) for key, v in extras.items()}, "in the harvest"
    extra_lists = [extras.get(key) or [] for key in ("controls", "texts", "hidden")]
    # The agent's own checked-state checks are no steps of the language's rules.
    read = [finding.read_step(case[2])[0] for case in CASES if case[1] == name]
    steps = [parsed for parsed in read if parsed["action"] not in ("verify_checked", "verify_unchecked")]
    by_dicts = [resolvers(page, parsed, dom, texts, extras) for parsed in steps]
    by_native = [resolvers(page, parsed, native_dom, native_texts, extras) for parsed in steps]
    shared = [
        (DOMParser._dedup_text_elements(texts), DOMParser._dedup_text_elements(native_texts)),
        (matcher._filter_by_action("type", dom), matcher._filter_by_action("type", native_dom)),
        (matcher._filter_by_action("select", dom), matcher._filter_by_action("select", native_dom)),
    ]

    dict_places = places(dom, texts, *extra_lists)
    native_places = places(native_dom, native_texts, *extra_lists)
    for parsed, a, b in zip(steps, by_dicts, by_native):
        assert positions(a, dict_places) == positions(b, native_places), parsed
    for a, b in shared:
        assert positions(a, dict_places) == positions(b, native_places)


@pytest.mark.parametrize("name", PAGE_NAMES)
def test_identity_rows_are_the_walk_they_replace(open_page, name):
    dom, texts = DOMParser(open_page(name)).extract_interactable_elements()
    native_texts = DOMParser(open_page(name))._extract_native()[1]
    for element in dom + texts:
        row = reference_row(element, texts)
        expected = None if row is None else texts.index(row)
        assert _ladder.row_of(element["xpath"], texts) == expected
        assert _ladder.row_of(element["xpath"], native_texts) == expected
        assert identity_of(element, native_texts) == identity_of(element, texts) == identity_of(element, tuple(texts))


# The walk's own edges, beyond what fixture pages hold: (element xpath, text xpaths, row, why)
ROW_CASES = [
    ("/html[1]/body[1]/div[1]/a[1]", ["/html[1]/body[1]", "/html[1]/body[1]/div[1]"], 1, "the innermost holder"),
    ("/html[1]/body[1]/div[1]/a[1]", ["/html[1]/body[1]/div[1]", "/html[1]/body[1]/div[1]"], 0, "first of equals"),
    ("/html[1]/body[1]/div[10]/a[1]", ["/html[1]/body[1]/div[1]"], None, "a prefix is not a parent"),
    ("/html[1]/body[1]/div[1]", ["/html[1]/body[1]/div[1]"], None, "an element is not its own row"),
    ("/html[1]/body[1]/iframe[1]/#document/html[1]/body[1]/a[1]", ["/html[1]/body[1]"], None, "not across a frame"),
    ("/html[1]/body[1]/x-card[1]/#shadow-root/a[1]", ["/html[1]/body[1]/x-card[1]"], 0, "into a shadow root"),
    ("/html[1]/body[1]/p[1]/a[1]", ["", "/html[1]/body[1]/p[1]"], 1, "a text without a path is skipped"),
    ("", ["/html[1]"], None, "no path, no row"),
]


@pytest.mark.parametrize("xpath, paths, row, why", ROW_CASES, ids=[c[3] for c in ROW_CASES])
def test_row_of(xpath, paths, row, why):
    texts = [{"tag": "div", "text": "Row", "xpath": path} for path in paths]
    assert _ladder.row_of(xpath, texts) == row
    expected = None if row is None else texts[row]
    assert reference_row({"xpath": xpath}, texts) is expected
