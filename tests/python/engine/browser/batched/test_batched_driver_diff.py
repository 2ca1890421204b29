"""The batched driver answers every driver call exactly as Playwright does, on real
Chromium: fixture pages of every awkward kind and, when present, the shared pages."""

import json
import math

import pytest
from batched_support import CAPTURED, PAGES, Counting, make_plan, shared_page_paths

from kelvo_web.engine.browser import harvester
from kelvo_web.engine.browser.harvester import _BatchedPage


def outcome(call):
    """A call's answer, or the fact that it failed (both sides must fail alike)."""
    try:
        return ("ok", call())
    except Exception:  # noqa: BLE001 - any failure is the answer here
        return ("failed", None)


def same_box(a, b):
    if a is None or b is None:
        return a is b
    return all(math.isclose(a[k], b[k], abs_tol=0.01) for k in ("x", "y", "width", "height"))


def compare_handles(live, batched, plan, where, full=True):
    """Every question the harvest may ask of one element, both ways; returns differences.
    Not `full`: the visibility verdict, and for a visible element its text and box."""
    differences = []

    def check(what, a, b, equal=lambda x, y: x == y):
        if a[0] != b[0] or (a[0] == "ok" and not equal(a[1], b[1])):
            differences.append((where, what, a, b))

    visible = outcome(live.is_visible)
    check("is_visible", visible, outcome(batched.is_visible))
    if not full:
        if visible == ("ok", True):
            check("inner_text", outcome(live.inner_text), outcome(batched.inner_text))
            check("bounding_box", outcome(live.bounding_box), outcome(batched.bounding_box), same_box)
        return differences
    check("is_enabled", outcome(live.is_enabled), outcome(batched.is_enabled))
    check("inner_text", outcome(live.inner_text), outcome(batched.inner_text))
    for name in CAPTURED:
        check(
            f"get_attribute {name}",
            outcome(lambda: live.get_attribute(name)),
            outcome(lambda: batched.get_attribute(name)),
        )
    check("bounding_box", outcome(live.bounding_box), outcome(batched.bounding_box), same_box)
    for script in plan["element_scripts"]:
        text = script["text"]
        a = outcome(lambda: live.evaluate(text))
        b = outcome(lambda: batched.evaluate(text))
        check(f"evaluate {text[:40]!r}", a, b)
        if a[1] is not None and b[1] is not None and a[0] == "ok":
            # ints stay ints, floats stay floats
            check(f"kind {text[:40]!r}", ("ok", type(a[1])), ("ok", type(b[1])))
    return differences


def compare_page(page, live_calls=None, full_on=(0, 1, 2, 3)):
    """Differences between the live and the batched answers; `live_calls` receives the
    number of calls the batched side made to the browser."""
    plan = make_plan()
    counting = Counting(page)
    batched = _BatchedPage(counting, plan)
    differences = []
    for number, selector in enumerate(plan["selectors"]):
        live_handles = page.query_selector_all(selector)
        batched_handles = batched.query_selector_all(selector)
        assert len(live_handles) == len(batched_handles), selector
        for i, (a, b) in enumerate(zip(live_handles, batched_handles)):
            differences += compare_handles(a, b, plan, f"{selector[:30]}[{i}]", number in full_on)
            # The label look-ups the harvest makes for fields and custom inputs.
            is_field = number == 1 or (number == 0 and a.evaluate("el => el.tagName") in ("INPUT", "TEXTAREA"))
            for attribute, template in (("aria-labelledby", "#{}"), ("id", 'label[for="{}"]')):
                value = a.get_attribute(attribute) if is_field else None
                if not value:
                    continue
                lookup = template.format(value)
                found_live = outcome(lambda: page.query_selector(lookup))
                found_batched = outcome(lambda: batched.query_selector(lookup))
                assert found_live[0] == found_batched[0], lookup
                if found_live[0] == "ok":
                    assert (found_live[1] is None) == (found_batched[1] is None), lookup
                    if found_live[1] is not None:
                        differences += compare_handles(found_live[1], found_batched[1], plan, lookup)
    for script in plan["page_scripts"]:
        script = script if isinstance(script, str) else script["text"]
        a, b = outcome(lambda: page.evaluate(script)), outcome(lambda: batched.evaluate(script))
        if a != b:
            differences.append(("page", script[:40], a, b))
    assert batched.batched
    if live_calls is not None:
        live_calls.append(counting.calls[0])
    return differences


# Inline elements broken across lines have one box per line: Chromium's box model
# reports the first line's box, the client rectangle their union. Both are the
# browser's answers; the batch reports the union.
def explained(difference):
    where, what, live, batched = difference
    return (
        what == "bounding_box"
        and live[0] == batched[0] == "ok"
        and live[1]
        and batched[1]
        and batched[1]["width"] >= live[1]["width"]
        and batched[1]["height"] > live[1]["height"]
    )


@pytest.mark.parametrize("name", sorted(PAGES))
@pytest.mark.parametrize("scrolled", [False, True])
def test_fixture_pages_answer_alike(page, name, scrolled):
    page.set_viewport_size({"width": 800, "height": 600})
    page.set_content(PAGES[name])
    if scrolled:
        page.evaluate("() => window.scrollTo(0, 120)")
    live_calls = []
    differences = [d for d in compare_page(page, live_calls) if not explained(d)]
    assert differences == []
    # The batch really answered. What went to the browser: asking for the model and then
    # installing it (this plan is not the context's); on the form, the look-ups of ids that
    # are not plain identifiers and a result holding undefined. The shadow page's custom-input
    # query (Playwright's own ":has" looks inside shadow roots) is the batch's too.
    assert live_calls[0] <= {"form": 9, "form-standards": 9, "shadow": 2, "empty": 2}[name]


@pytest.mark.parametrize("path", shared_page_paths() or ["(absent)"])
def test_shared_pages_answer_alike(page, shared_pages_server, path):
    # Some pages finish building themselves after load (fetched snippets, buttons added
    # later); both sides must see the page at rest.
    page.goto(shared_pages_server + path, wait_until="networkidle")
    page.wait_for_timeout(300)
    # Every question on interactables and custom inputs; on the many text nodes the
    # verdict, text and box (their attributes and scripts are compared record by record
    # in the harvest comparison), to keep a page within a minute.
    differences = [d for d in compare_page(page, full_on=(0, 1)) if not explained(d)]
    assert differences == []


def test_a_plain_page_costs_one_call_once_the_model_is_installed(page):
    page.set_content("<label for='a'>A</label><input id='a'><button>Go</button><span>t</span>")
    # The first harvest of a document asks for the model, finds none and sends it; every
    # later one only asks.
    for expected_calls in (2, 1, 1):
        counting = Counting(page)
        batched = _BatchedPage(counting, make_plan())
        for selector in make_plan()["selectors"]:
            for handle in batched.query_selector_all(selector):
                handle.is_visible(), handle.is_enabled(), handle.inner_text(), handle.bounding_box()
                handle.get_attribute("id")
        assert batched.query_selector('label[for="a"]').inner_text() == "A"
        assert counting.calls[0] == expected_calls
    assert batched.evaluate(make_plan()["page_scripts"][0]["text"]) == page.evaluate(
        make_plan()["page_scripts"][0]["text"]
    )


@pytest.mark.parametrize("name", sorted(PAGES))
def test_visibility_without_the_visibility_option_answers_alike(page, name):
    # Browsers before Chromium 121 ignore checkVisibility's visibilityProperty; the batch
    # then reads the computed style instead. Both ways must give the same verdicts.
    page.set_content(PAGES[name])
    script = harvester._batch_script(make_plan())
    detected = "known = true;"
    assert detected in script
    without_option = script.replace(detected, "", 1)
    verdicts = json.loads(page.evaluate(script))["visible"]
    assert json.loads(page.evaluate(without_option))["visible"] == verdicts
    if name.startswith("form"):  # the pages with hidden elements of every kind
        assert False in verdicts and True in verdicts
