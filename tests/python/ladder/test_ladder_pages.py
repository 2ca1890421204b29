"""The ladder on real pages: what the rules answer alone, and what the ladder adds."""

import pytest
from ladder_pages import harvest
from playwright.sync_api import Error as PlaywrightError

from kelvo_web.agent.finding import read_extras
from kelvo_web.engine.agent._ladder import StepPlan, retry_order
from kelvo_web.engine.agent.grammar import InstructionParser
from kelvo_web.engine.spatial.cartographer import MatrixBuilder
from kelvo_web.engine.spatial.surveyor import MatrixResolver
from kelvo_web.engine.strategies.matcher import DOMStrategy

PARSER = InstructionParser()
STRATEGY = DOMStrategy()


def rules(parsed, dom, texts):
    """Both rule sets called directly; the first that resolves answers."""
    answer = STRATEGY.resolve(parsed, dom, texts)
    if answer["resolved"] or not parsed["action"].startswith(("click", "type", "select", "verify_")):
        return answer
    return MatrixResolver(MatrixBuilder(dom, texts).build()).resolve(parsed)


def rules_settle(parsed, dom, texts):
    """Whether the step engine decides on the harvest alone (None: it asks for the extras)."""
    return StepPlan(parsed).decide(dom, texts) is not None


def climb(page, parsed, dom, texts):
    return StepPlan(parsed).decide(dom, texts, read_extras(page))["result"]


def id_of(page, element):
    return page.evaluate("x => document.evaluate(x, document, null, 9, null).singleNodeValue.id", element["xpath"])


ELEMENT_CASES = [
    # page, instruction, id the tester means, rung, why
    ("bootstrap_form.html", "click Keep me signed in", "remember", "label", "checkbox named by label for"),
    ("bootstrap_form.html", "select Carrot from Vegetables", "veg", "label", "select named only by its label"),
    (
        "bootstrap_form.html",
        "verify Use billing address is disabled",
        "billing",
        "label",
        "state of a labelled checkbox",
    ),
    ("bootstrap_form.html", "click the second radio button", "ship-exp", "control-type", "type word with ordinal"),
    (
        "bootstrap_form.html",
        "click the checkbox next to Keep me signed in",
        "remember",
        "control-type",
        "checkbox left of its label",
    ),
    ("bootstrap_form.html", "click Express radio", "ship-exp", "control-type", "name plus type word"),
    ("aria_widgets.html", "click Favourite colour", "", "label", "role=combobox named by aria-labelledby"),
    ("aria_widgets.html", "click the dropdown below Favourite colour", "", "control-type", "dropdown means combobox"),
    ("aria_widgets.html", "click Large", "", "label", "role=radio named by aria-labelledby"),
    ("aria_widgets.html", "click the checkbox next to Accept terms", "", "control-type", "ARIA checkbox by its row"),
    ("plain_form.html", "click Gift wrap", "", "label", "wrapping label, text before the box"),
    ("plain_form.html", "click Send me news", "", "label", "wrapping label, text after the box"),
    ("plain_form.html", "click the first checkbox below Delivery details", "", "control-type", "legend as anchor"),
    (
        "plain_form.html",
        "click the button below Delivery details",
        "continue",
        "control-type",
        "a legend as the anchor of a button",
    ),
]


@pytest.mark.parametrize("page_name, instruction, wanted_id, rung, why", ELEMENT_CASES)
def test_ladder_finds_the_control_the_rules_miss(open_page, page_name, instruction, wanted_id, rung, why):
    page = open_page(page_name)
    parsed = PARSER.parse(instruction)
    dom, texts = harvest(page)
    assert not rules_settle(parsed, dom, texts), "the rules alone miss it"
    answer = climb(page, parsed, dom, texts)
    assert answer["resolved"], why
    assert answer["resolved_by"] == rung
    element = answer["element"]
    if wanted_id:
        assert id_of(page, element) == wanted_id, why
    else:  # no id on the page: the element must carry the name the tester used
        name = page.evaluate(
            """x => { const el = document.evaluate(x, document, null, 9, null).singleNodeValue;
            return el.getAttribute('aria-labelledby') || el.closest('label')?.textContent
                || el.getAttribute('role'); }""",
            element["xpath"],
        )
        assert name, why


def test_the_answer_is_the_harvested_record_itself(open_page):
    page = open_page("bootstrap_form.html")
    parsed = PARSER.parse("click Keep me signed in")
    dom, texts = harvest(page)
    answer = climb(page, parsed, dom, texts)
    assert any(answer["element"] is d for d in dom)


TEXT_CASES = [
    # page, instruction, verified (None: extraction), found text, why
    ("bootstrap_form.html", "verify text right of Total is $42", True, "$42", "strong beside a span"),
    ("bootstrap_form.html", "verify text right of Total is 41", False, "$42", "a wrong amount stays wrong"),
    ("bootstrap_form.html", "extract text right of Total", None, "$42", "extraction reads the strong"),
    ("plain_form.html", "verify text Delivery details is visible", True, "Delivery details", "legend"),
    ("plain_form.html", "verify text right of Order number is A-1097", True, "A-1097", "dt/dd with code"),
    ("plain_form.html", "verify text Your basket is present", True, "Your basket", "table caption"),
    ("plain_form.html", "find text Parcel photo", None, "Parcel photo", "figcaption"),
    ("plain_form.html", "verify text Returns policy is visible", True, "Returns policy", "summary"),
]


@pytest.mark.parametrize("page_name, instruction, verified, found, why", TEXT_CASES)
def test_extended_text_answers_text_checks(open_page, page_name, instruction, verified, found, why):
    page = open_page(page_name)
    parsed = PARSER.parse(instruction)
    dom, texts = harvest(page)
    assert not rules_settle(parsed, dom, texts), why
    answer = climb(page, parsed, dom, texts)
    assert answer["resolved"] and answer["resolved_by"] == "extended-text", why
    assert answer["element"]["text"] == found
    if verified is not None:
        assert answer["verified"] is verified


def test_rules_answers_stay_first(open_page):
    """Where the rules answer, the ladder is not asked: a td holding a strong is a text element."""
    page = open_page("plain_form.html")
    parsed = PARSER.parse("verify text right of Total is $42")
    dom, texts = harvest(page)
    decided = StepPlan(parsed).decide(dom, texts)
    assert decided["resolved_by"] == "text" and decided["result"]["verified"]


def test_next_candidate_after_a_widget_refuses_typing(open_page):
    page = open_page("bootstrap_form.html")
    parsed = PARSER.parse("type 12 into Amount")
    dom, texts = harvest(page)
    specified = STRATEGY.resolve(parsed, dom, texts)
    chosen = specified["element"]
    assert chosen["tag"] != "input", "the rules pick an input-group wrapper first (reading order)"
    with pytest.raises(PlaywrightError):
        page.locator("xpath=" + chosen["xpath"]).fill("12", timeout=500)
    failed = next(i for i, c in enumerate(specified["candidates"]) if c is chosen)
    following = retry_order("type", specified["candidates"], failed)
    assert id_of(page, following[-1]) == "amount"
    assert all(c is not chosen for c in following)
    page.locator("xpath=" + following[-1]["xpath"]).fill("12")
    assert page.input_value("#amount") == "12"


def test_extras_cost_one_evaluation(open_page):
    page = open_page("plain_form.html")
    extras = read_extras(page)
    kinds = sorted({c["kind"] for c in extras["controls"]})
    tags = {t["tag"] for t in extras["texts"]}
    assert kinds == ["button", "checkbox", "textbox"]
    assert {"legend", "caption", "dt", "dd", "code", "strong", "em", "figcaption", "summary", "small", "b"} <= tags


SPECIFIED_ANSWERS = [
    # page, instruction, what the specified rules answer on their own (unchanged by the agent's policy)
    ("settings_form.html", "click Submit form", "y7"),  # type=submit counts as an exact surface
    ("settings_form.html", "click Submit", "y7"),
    ("classless_showcase.html", "click Contrast", "a2"),
]


@pytest.mark.parametrize("page_name, instruction, wanted_id", SPECIFIED_ANSWERS)
def test_the_rules_called_directly_keep_their_answers(open_page, page_name, instruction, wanted_id):
    page = open_page(page_name)
    parsed = PARSER.parse(instruction)
    dom, texts = harvest(page)
    assert id_of(page, rules(parsed, dom, texts)["element"]) == wanted_id


@pytest.mark.parametrize(
    "instruction",
    [
        "verify Reset password is present",
        "verify text Two-factor authentication is present",
    ],
)
def test_hidden_elements_are_unknown_to_the_rules(open_page, instruction):
    page = open_page("bs5_admin.html")
    parsed = PARSER.parse(instruction)
    dom, texts = harvest(page)
    assert not rules(parsed, dom, texts)["resolved"]
    answer = climb(page, parsed, dom, texts)
    assert answer["resolved_by"] == "present" and answer["verified"] is True
    assert answer["element"]["is_visible"] is False
