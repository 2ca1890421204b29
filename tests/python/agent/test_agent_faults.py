"""Faults a step can meet on its way: the page navigates or reloads under it, the page never
stops changing, the browser dies. Each either completes or fails with a message that says what
happened, and the run goes on."""

import pytest


@pytest.mark.parametrize(
    "page, steps, check, why",
    [
        (
            "reloads_once.html",
            ["click Save"],
            ("#done", "Saved at visit 2"),
            "Save is enabled only after the reload that lands during the step",
        ),
        (
            "moves_on.html",
            ["type Ada into Name", "click Continue"],
            ("#out", "Hello Ada"),
            "the elements exist only on the page the first one moves on to",
        ),
        (
            "restless.html",
            ["click Pause feed"],
            ("#out", "Paused"),
            "rows change every few milliseconds; the button does not",
        ),
        (
            "replaced_built_ins.html",
            ["type Ada into Name", "click Save"],
            ("#out", "Saved Ada"),
            "the page broke map, JSON.stringify, getBoundingClientRect, querySelectorAll, Map.get, trim",
        ),
        (
            "appears_later.html",
            ["click Save"],
            ("#out", "Saved"),
            "a reading kept while the page stands still is dropped when Save is added",
        ),
        (
            "upgraded_late.html",
            ["click Buy"],
            ("#out", "Bought"),
            "an element upgraded late changes no light-tree node; a kept reading expires",
        ),
        (
            "locked_to_json.html",
            ["type Ada into Name", "click Save", "verify text right of Total is 42"],
            ("#out", "Saved Ada"),
            "every object has a toJSON that answers a string and cannot be deleted",
        ),
        (
            "form.xhtml",
            ["type Ada into Name", "click Save"],
            ("#out", "Saved Ada"),
            "an XML document: XPath names match none of its elements",
        ),
        (
            "svg_button.html",
            ["click Play"],
            ("#out", "played"),
            "an SVG element, which XPath names do not match either, nor has it innerText",
        ),
    ],
    ids=["reload", "redirect", "restless", "built-ins", "appears", "upgraded", "to-json", "xhtml", "svg"],
)
def test_a_step_completes_on_a_page_that_changes_under_it(agent_on, page, steps, check, why):
    agent = agent_on(page, timeout_ms=5000)
    agent.run_all(steps)
    agent.page.wait_for_function(
        "([s, t]) => document.querySelector(s)?.textContent === t", arg=list(check), timeout=3000
    )
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why


def test_a_page_standing_still_is_read_once_per_change(agent_on, monkeypatch):
    from kelvo_web.agent import finding

    readings, attempts = [], []
    real = finding.engine().harvester

    def counting(page):
        readings.append(page.url)
        return real(page)

    def attempt(page, reading):
        attempts.append(1)
        if len(attempts) == 4:  # the page changes once, between two attempts
            page.evaluate("() => document.body.insertAdjacentHTML('beforeend', '<button>Save</button>')")
        return current(page, reading)

    current = finding.still_current
    monkeypatch.setattr(finding.engine(), "harvester", counting)
    monkeypatch.setattr(finding, "still_current", attempt)
    monkeypatch.setattr(finding, "REUSE_S", 60)  # however slow the machine, only changes count
    agent = agent_on("second_tab.html", timeout_ms=5000)
    agent.run("click Save")
    # Three attempts find no Save on the first reading; the fourth sees the page changed.
    assert (len(attempts), len(readings)) == (4, 2)


@pytest.mark.parametrize(
    "steps, check, why",
    [
        (["click Covered"], ("#out", "covered clicked"), "a cover over the whole page for 400 ms"),
        (["click Sliding"], ("#out", "slid clicked"), "moving when first found"),
        (["click Far below"], ("#out", "far clicked"), "out of view until scrolled to"),
        (["click Inside the root"], ("#out", "inside clicked"), "the point hits a span in a shadow root"),
        (
            ["click Go on", "type Ada into Name", "click Continue"],
            ("#out", "Hello Ada"),
            "a click whose script takes the page elsewhere: the next step acts on the next page",
        ),
    ],
    ids=["covered", "sliding", "far", "shadow", "leaves"],
)
def test_a_click_lands_whatever_stands_in_its_way_at_first(agent_on, steps, check, why):
    agent = agent_on("clicks.html", timeout_ms=5000)
    agent.run_all(steps)
    agent.page.wait_for_function(
        "([s, t]) => document.querySelector(s)?.textContent === t", arg=list(check), timeout=3000
    )
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why
