"""Frames (same-origin, cross-origin, nested, late, navigating) and shadow roots, in real
Chromium: what the harvest reads and the steps a tester writes."""

import pytest

from kelvo_web.agent import StepFailure
from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser


@pytest.fixture
def checkout(page, origins):
    page.goto(f"{origins['A']}/checkout.html")
    # Every frame has its document, down to the nested one.
    page.frame_locator("#secure").frame_locator("iframe").locator("#topic").wait_for()
    page.frame_locator("#card").locator("#number").wait_for()
    return page


def by_text(records, text, tag=None):
    found = [r for r in records if r["text"] == text and (tag is None or r["tag"] == tag)]
    assert found, f"no record {text!r}"
    return found[0]


def field(records, label):
    return next(r for r in records if r["attributes"].get("_label") == label)


# (how the record is found, how Playwright finds the same element, address hops, why)
PLACES = [
    (
        lambda els, texts: by_text(texts, "Card payment"),
        lambda p: p.locator("h2 >> nth=0"),
        None,
        "a light-tree element of the top page keeps its record as it was",
    ),
    (
        lambda els, texts: field(els, "Card number"),
        lambda p: p.frame_locator("#card").locator("#number"),
        2,
        "same-origin frame: box moved by the frame's border and padding",
    ),
    (
        lambda els, texts: by_text(els, "Confirm 3-D Secure"),
        lambda p: p.frame_locator("#secure").locator("button"),
        2,
        "cross-origin frame (out of process)",
    ),
    (
        lambda els, texts: next(r for r in els if r["tag"] == "select"),
        lambda p: p.frame_locator("#secure").frame_locator("iframe").locator("#topic"),
        3,
        "a frame inside a cross-origin frame: offsets summed up the chain",
    ),
    (
        lambda els, texts: by_text(els, "Pay now"),
        lambda p: p.locator("pay-now button"),
        1,
        "open shadow root of the top page",
    ),
    (
        lambda els, texts: by_text(texts, "Weekly news", "span"),
        lambda p: p.locator("span[slot=title]"),
        None,
        "slotted content stays in the light tree, where it is written",
    ),
]


@pytest.mark.parametrize("mode", ["batched", "per-call"])
@pytest.mark.parametrize("pick, playwright, hops, why", PLACES, ids=[p[3] for p in PLACES])
def test_every_frame_and_open_root_is_read_in_top_page_coordinates(
    checkout, monkeypatch, mode, pick, playwright, hops, why
):
    monkeypatch.setattr(settings, "HARVEST_MODE", mode)
    elements, texts = DOMParser(checkout).extract_interactable_elements()
    record = pick(elements, texts)
    box = record["bounding_box"]
    element = playwright(checkout)
    # The pointer at the box's centre is over the element: the box is where the page shows
    # it. (Playwright's own bounding_box leaves out an out-of-process frame's border and
    # padding, so it cannot be the measure here; sizes it gives right.)
    checkout.mouse.move(box["x"] + box["width"] / 2, box["y"] + box["height"] / 2)
    assert element.evaluate("el => el.matches(':hover')")
    expected = element.bounding_box()
    assert (box["width"], box["height"]) == pytest.approx((expected["width"], expected["height"]), abs=0.5)
    if hops is None:
        assert "address" not in record and "#" not in record["xpath"]
    else:
        assert len(record["address"]) == hops
        assert record["xpath"] == "/#document".join(record["address"])
        assert list(record)[-1] == "address", "the extra key comes last"


def test_both_harvest_modes_agree_on_frames_and_shadow_roots(checkout, monkeypatch):
    monkeypatch.setattr(settings, "HARVEST_MODE", "batched")
    batched = DOMParser(checkout).extract_interactable_elements()
    monkeypatch.setattr(settings, "HARVEST_MODE", "per-call")
    assert DOMParser(checkout).extract_interactable_elements() == batched


def test_frames_come_in_document_order_and_paths_are_unique(checkout):
    elements, texts = DOMParser(checkout).extract_interactable_elements()
    order = [r["text"] for r in texts if r["text"] in ("Checkout", "No card yet", "3-D Secure", "Nothing chosen")]
    assert order == ["Checkout", "No card yet", "3-D Secure", "Nothing chosen"]
    paths = [r["xpath"] for r in elements]
    assert len(paths) == len(set(paths))


# The steps of a checkout whose parts live in frames and web components, and what each
# leaves on the page.
STEPS = [
    ("type 4242 4242 4242 4242 into Card number", "verify text Card ends in 4242 is visible", "same-origin frame"),
    ("click Pay now", "verify text paid is visible", "open shadow root"),
    ("click Pay now below Card payment", "verify text paid is visible", "spatial phrase across the shadow boundary"),
    ("click Confirm 3-D Secure", "verify text Confirmed by the bank is visible", "cross-origin frame"),
    ("select Music from Topic", "verify text Chosen: Music is visible", "nested frame"),
    ("type ann@example.com into Email", "verify Subscribe is visible", "input in a shadow root"),
    ("hover Confirm 3-D Secure", "verify Card number is enabled", "hover and a state check in frames"),
    ("click Subscribe", "verify text subscribed is present", "button next to a slot"),
]


@pytest.mark.parametrize("step, check, why", STEPS, ids=[s[2] for s in STEPS])
def test_steps_work_in_frames_and_shadow_roots(agent_on, step, check, why):
    agent = agent_on("checkout.html")
    agent.run(step)
    agent.run(check)


def test_fields_and_texts_inside_frames_and_roots_are_read(agent_on):
    agent = agent_on("checkout.html")
    agent.run("type ann@example.com into Email")
    assert agent.run("extract text from Email")["extracted"] == "ann@example.com"
    assert agent.run("extract text below Confirm 3-D Secure")["extracted"] == "Waiting for you"
    agent.run("verify text below Card number is No card yet")


@pytest.mark.parametrize(
    "steps, why",
    [
        (["click Late button", "verify text Late done is visible"], "a frame added after the page loaded"),
        (["click Next page", "verify text Step two done is visible"], "a frame navigated by the step before"),
        (["click Take the offer"], "a frame that navigates while the step waits for it"),
    ],
)
def test_frames_that_change_are_read_at_the_next_attempt(agent_on, steps, why):
    agent = agent_on("wizard.html", timeout_ms=5000)
    for step in steps:
        agent.run(step)


def test_a_closed_shadow_root_is_named_in_the_failure(agent_on):
    agent = agent_on("closed.html", timeout_ms=600)
    with pytest.raises(StepFailure) as failure:
        agent.run("click Hidden action")
    assert "no element matches 'Hidden action'" in str(failure.value)
    assert "<secret-box> keeps its content in a closed shadow root" in str(failure.value)
