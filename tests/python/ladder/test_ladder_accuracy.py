"""The agent on pages of every kind testers meet: each class of miss a table of steps,
judged by whether the element acted on (or the answer given) is the one a tester means."""

import pytest
from accuracy_cases import CASES, CLASSES, FLOWS, answer_of, judge
from ladder_pages import PAGES

from kelvo_web import WebAgent
from kelvo_web.agent import StepFailure


@pytest.fixture
def agent_on():
    agents = []

    def open_(name):
        agent = WebAgent(url=(PAGES / name).as_uri())
        agent.step_timeout_ms = 1500  # static pages: a miss does not turn into a hit by waiting
        agents.append(agent)
        return agent

    yield open_
    for agent in agents:
        agent.close()


def _case_id(case):
    cls, page, instruction, _ = case
    return f"{cls}-{CLASSES[cls].replace(' ', '_')}-{page.split('.')[0]}-{instruction}"


@pytest.mark.parametrize("cls, page_name, instruction, expectation", CASES, ids=[_case_id(c) for c in CASES])
def test_agent_acts_on_the_meant_element(agent_on, cls, page_name, instruction, expectation):
    agent = agent_on(page_name)
    try:
        result, passed = agent.run(instruction), True
    except StepFailure as failure:
        result, passed = failure.result, False
    element = (result or {}).get("element")
    assert judge(agent.page, expectation, passed, element, answer_of(result)), (instruction, agent._steps[-1])
    step = agent._steps[-1]
    if passed:
        assert step.get("resolved_by"), "every passed step on an element or text names its rung"


def _flow_id(flow):
    cls, page, steps, _ = flow
    return f"{cls}-{CLASSES[cls].replace(' ', '_')}-{page.split('.')[0]}-{steps[0]}-{len(steps)}"


@pytest.mark.parametrize("cls, page_name, steps, expectation", FLOWS, ids=[_flow_id(f) for f in FLOWS])
def test_flows_end_where_a_person_ends(agent_on, cls, page_name, steps, expectation):
    """Multi-step flows on live widgets, as testers write them; the application's own stored
    state says whether each step did what it meant."""
    agent = agent_on(page_name)
    agent.step_timeout_ms = 3000  # options that load after a round trip
    agent.run_all("\n".join(steps))
    assert judge(agent.page, expectation, True, None, None), [step.get("message") for step in agent._steps]


@pytest.mark.parametrize(
    "instruction, rung",
    [
        ("verify Reset password is present", "present"),
        ("click the Delete button right of Bob Stone", "control-type"),
        ("click the Security tab", "control-type"),
        ("click Users", "text"),  # the rules' answer is exact already: no re-ranking, no extra page read
    ],
)
def test_step_records_name_the_rung(agent_on, instruction, rung):
    agent = agent_on("bs5_admin.html")
    agent.run(instruction)
    assert agent._steps[-1]["resolved_by"] == rung


def test_present_is_not_visible(agent_on):
    """A hidden pane's text is present; asked for visible, the check fails and says so."""
    agent = agent_on("tailwind_dashboard.html")
    agent.run("verify text Monthly active users is present")
    with pytest.raises(StepFailure):
        agent.run("verify text Monthly active users is visible")
    assert agent._steps[-1]["status"] == "failed"


def test_a_wrong_value_beside_a_bold_total_still_fails(agent_on):
    agent = agent_on("bs4_admin.html")
    with pytest.raises(StepFailure, match="12.00"):
        agent.run("verify text right of Order total is $13.00")
