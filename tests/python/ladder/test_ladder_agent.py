"""The agent on the fixture pages: each class of miss resolved, and the rung in the step record."""

import pytest
from ladder_pages import PAGES

from kelvo_web import WebAgent

pytestmark = pytest.mark.skipif(not hasattr(WebAgent, "run"), reason="the agent is not on this branch yet")


@pytest.fixture
def agent_on():
    agents = []

    def open_(name):
        agent = WebAgent(url=(PAGES / name).as_uri())
        agents.append(agent)
        return agent

    yield open_
    for agent in agents:
        agent.close()


STEPS = [
    # page, instruction, rung, page state afterwards (JS expression, expected value)
    ("bootstrap_form.html", "click Keep me signed in", "label", ("#remember", "checked", True)),
    ("bootstrap_form.html", "select Carrot from Vegetables", "label", ("#veg", "value", "carrot")),
    ("bootstrap_form.html", "click the second radio button", "control-type", ("#ship-exp", "checked", True)),
    (
        "bootstrap_form.html",
        "click the checkbox next to Keep me signed in",
        "control-type",
        ("#remember", "checked", True),
    ),
    # The rules' first pick is the input-group wrapper; the field named exactly "Amount" is
    # taken before any refusal (the refusal path itself: test_ladder_pages).
    ("bootstrap_form.html", "type 12 into Amount", "exact-text", ("#amount", "value", "12")),
    ("aria_widgets.html", "click Favourite colour", "label", ("[role=combobox]", "ariaExpanded", "true")),
    (
        "aria_widgets.html",
        "click the dropdown below Favourite colour",
        "control-type",
        ("[role=combobox]", "ariaExpanded", "true"),
    ),
    ("aria_widgets.html", "click Large", "label", ("[aria-labelledby=size-l]", "ariaChecked", "true")),
    ("plain_form.html", "click Send me news", "label", ("[name=news]", "checked", True)),
]


@pytest.mark.parametrize("page_name, instruction, rung, state", STEPS)
def test_agent_acts_on_the_element_a_tester_means(agent_on, page_name, instruction, rung, state):
    agent = agent_on(page_name)
    agent.run(instruction)
    step = agent._steps[-1]
    assert step["status"] == "passed" and step["resolved_by"] == rung
    selector, prop, wanted = state
    assert agent.page.eval_on_selector(selector, f"el => el.{prop}") == wanted


def test_exactly_named_field_is_typed_into_without_a_refusal(agent_on):
    agent = agent_on("bootstrap_form.html")
    agent.run("type 12 into Amount")
    assert "message" not in agent._steps[-1]


CHECKS = [
    ("bootstrap_form.html", "verify text right of Total is $42", "extended-text"),
    ("bootstrap_form.html", "verify Use billing address is disabled", "label"),
    ("plain_form.html", "verify text Delivery details is visible", "extended-text"),
    ("plain_form.html", "verify text right of Order number is A-1097", "extended-text"),
    ("plain_form.html", "verify text right of Total is $42", "text"),  # a td holds it: the rules answer
]


@pytest.mark.parametrize("page_name, instruction, rung", CHECKS)
def test_agent_checks_pass_with_their_rung(agent_on, page_name, instruction, rung):
    agent = agent_on(page_name)
    agent.run(instruction)
    assert agent._steps[-1]["resolved_by"] == rung


def test_extraction_hands_back_the_extended_text(agent_on):
    agent = agent_on("bootstrap_form.html")
    assert agent.run("extract text right of Total")["extracted"] == "$42"


def test_a_wrong_amount_still_fails(agent_on, monkeypatch):
    agent = agent_on("bootstrap_form.html")
    agent.step_timeout_ms = 300
    with pytest.raises(AssertionError, match="41"):
        agent.run("verify text right of Total is 41")
    assert agent._steps[-1]["status"] == "failed"
