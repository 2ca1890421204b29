"""The agent's pure decisions: resolver order, step lists, messages, dialogs, settings."""

import contextlib

import pytest

from kelvo_web.agent.dialogs import DialogKeeper, DialogRefused, dialog_matches
from kelvo_web.agent.messages import closest_names, describe, failure_message
from kelvo_web.agent.steps import malformed_steps, split_steps, wait_problem
from kelvo_web.browser import CHROMIUM_ARGS, remote_launch_options
from kelvo_web.engine import settings
from kelvo_web.engine.agent._ladder import SPATIAL, TEXT, read_step, resolver_order, state_verdict


@pytest.mark.parametrize(
    "action, target, order, why",
    [
        ("click", "Login", (TEXT, SPATIAL), "a plain name goes to the text strategy first"),
        ("click", "Linear gauge", (TEXT, SPATIAL), "'near' inside a word is no relation"),
        ("click", "Underwear", (TEXT, SPATIAL), "'under' inside a word is no relation"),
        ("click", "Copyright of Acme", (TEXT, SPATIAL), "'right of' needs 'right' as a word"),
        ("click", "Firstly", (TEXT, SPATIAL), "'first' inside a word is no ordinal"),
        ("click", "button below Address", (SPATIAL, TEXT), "relation keyword"),
        ("click", "Add to cart near Blue Backpack", (SPATIAL, TEXT), "relation with target words"),
        ("click", "button next to Sign up", (SPATIAL, TEXT), "two-word relation"),
        ("click", "button right of Total", (SPATIAL, TEXT), "two-word relation"),
        ("click", "second Add to cart", (SPATIAL, TEXT), "ordinal word"),
        ("type", "2nd input", (SPATIAL, TEXT), "numeric ordinal"),
        ("verify_enabled", "Save below Name", (SPATIAL, TEXT), "state checks aim at elements too"),
        ("click", "Next page", (TEXT, SPATIAL), "'next' alone is no relation"),
        ("click", "", (TEXT, SPATIAL), "an empty phrase is plain"),
        ("find_text", "below Total", (), "text steps do not resolve an element"),
        ("navigate", "/near", (), "navigation has no element"),
    ],
)
def test_resolver_order(action, target, order, why):
    assert resolver_order(action, target) == order, why


@pytest.mark.parametrize(
    "value, problem, why",
    [
        ("600000", None, "ten minutes is the most"),
        ("0", None, "no wait at all is a wait"),
        ("600001", "at most 600000 milliseconds", "beyond ten minutes"),
        ("0600001", "not 0600001", "leading zeros count for nothing, and are shown as written"),
        ("9" * 30, "at most 600000 milliseconds", "past any integer the core holds"),
        ("000600000", None, "the most, with zeros before it"),
        ("\u0663", "whole number of milliseconds", "an Arabic-Indic digit is a digit to Python, not to a timer"),
        ("soon", "whole number of milliseconds", "no number"),
        ("", "whole number of milliseconds", "nothing"),
    ],
)
def test_wait_problem(value, problem, why):
    found = wait_problem(value)
    assert (found is None) if problem is None else (problem in found), why


@pytest.mark.parametrize(
    "step, messages, why",
    [
        ("wait 700000", ["wait takes at most 600000 milliseconds (10 minutes), not 700000"], "too long"),
        ("wait \u0663", ["wait needs a whole number of milliseconds, not '\u0663'"], "validation lets it through"),
        ("wait soon", ["`wait` value must be a number in milliseconds. Got: 'soon'"], "one message, validation's"),
    ],
)
def test_a_bad_wait_is_reported_once_before_the_run(step, messages, why):
    assert malformed_steps([step]) == {1: messages}, why


@pytest.mark.parametrize(
    "step, said, why",
    [
        ("clik Login", "Unknown action 'clik'. Expected one of:", "the validator's words, as a list's check gives"),
        ("clik Login", "Did you mean 'click'?", "a letter left out"),
        ("tpye Ada into Name", "Did you mean 'type'?", "two letters swapped"),
        ("Navgate /home", "Did you mean 'navigate'?", "an action the validator's list leaves out, any case"),
        ("veryfy Save is visible", "Did you mean 'verify'?", "a letter changed"),
        ("type alice in Email", "`type` instruction missing `into` keyword", "not the parser's list of action names"),
    ],
)
def test_one_step_is_told_what_a_list_of_steps_is_told(step, said, why):
    with pytest.raises(ValueError) as raised:
        read_step(step)
    assert said in str(raised.value) and "press_key" not in str(raised.value), why
    assert any(said in message for message in malformed_steps([step])[1]), why


@pytest.mark.parametrize(
    "step, record, why",
    [
        ("verify Gift wrap is checked", ("verify_checked", "Gift wrap", "checked", False), "the plain form"),
        ("Verify that Gift wrap is not checked", ("verify_unchecked", "Gift wrap", "not checked", False), "any case"),
        ("verify Newsletter is unticked", ("verify_unchecked", "Newsletter", "not checked", False), "a synonym"),
        ("verify Express is selected", ("verify_checked", "Express", "selected", False), "options and radios"),
        ("verify Dark mode is off", ("verify_unchecked", "Dark mode", "off", False), "switches"),
        ('verify "Is on sale" is on', ("verify_checked", "Is on sale", "on", True), "a quoted name is the name"),
        ("verify the second checkbox is checked", ("verify_checked", "the second checkbox", "checked", False), "kinds"),
        ("verify text Alarm is on", ("verify_text_present", None, None, None), "text checks stay the parser's"),
    ],
)
def test_checked_state_checks_are_read_before_the_parser(step, record, why):
    if record[0].startswith("verify_text"):
        with contextlib.suppress(ValueError):  # the parser's to refuse
            assert read_step(step)[0]["action"] != "verify_checked", why
        return
    read = read_step(step)[0]
    assert (read["action"], read["target"], read["value"], read["_literal_target"]) == record, why
    assert malformed_steps([step]) == {}, "run_all's check accepts them"


@pytest.mark.parametrize(
    "action, element, verified, actual",
    [
        ("verify_present", {}, True, "present, hidden, disabled"),
        ("verify_visible", {"is_visible": True, "is_enabled": False}, True, "present, visible, disabled"),
        ("verify_visible", {"is_visible": False, "is_enabled": True}, False, "present, hidden, enabled"),
        ("verify_enabled", {"is_visible": True, "is_enabled": True}, True, "present, visible, enabled"),
        ("verify_disabled", {"is_visible": True, "is_enabled": True}, False, "present, visible, enabled"),
        ("verify_disabled", {"is_visible": True}, True, "present, visible, disabled"),
    ],
)
def test_state_verdict(action, element, verified, actual):
    verdict = state_verdict(action, element)
    assert (verdict["verified"], verdict["actual"]) == (verified, actual)
    assert verdict["expected"] == action.removeprefix("verify_")


def test_state_verdict_rejects_other_actions():
    with pytest.raises(ValueError, match="verify_present"):
        state_verdict("click", {})


@pytest.mark.parametrize(
    "steps, expected",
    [
        ("click A\n\n  # a comment\n  type b into C  \n", ["click A", "type b into C"]),
        (["click A", "", "# skipped", " hover B "], ["click A", "hover B"]),
        ("", []),
    ],
)
def test_split_steps(steps, expected):
    assert split_steps(steps) == expected


@pytest.mark.parametrize("steps", [42, None, ["click A", 3]])
def test_split_steps_rejects_what_is_no_text(steps):
    with pytest.raises(TypeError, match="must be"):
        split_steps(steps)


BUTTON = {"tag": "button", "text": "Add to cart", "attributes": {}}
FIELD = {"tag": "input", "text": "", "attributes": {"placeholder": "Your email"}}


def test_failure_message_names_step_expectation_and_candidates():
    candidates = [dict(BUTTON, text=f"Item {n}") for n in range(7)]
    message = failure_message(
        "verify text right of Total is 42",
        "the text right of Total does not match",
        expected="42",
        actual="$41",
        candidates=candidates,
        candidates_title="other texts",
    )
    assert message.splitlines() == [
        "Step failed: verify text right of Total is 42",
        "  the text right of Total does not match",
        "  expected: '42'",
        "  actual:   '$41'",
        "  other texts (and 2 more):",
        "    - button 'Item 0'",
        "    - button 'Item 1'",
        "    - button 'Item 2'",
        "    - button 'Item 3'",
        "    - button 'Item 4'",
    ]


@pytest.mark.parametrize(
    "element, expected",
    [
        (BUTTON, "button 'Add to cart'"),
        (FIELD, "input 'Your email'"),
        ({"tag": "div", "text": "  two\n lines ", "attributes": {}}, "div 'two lines'"),
        ({"tag": "img", "text": "", "attributes": {}}, "img (no text)"),
    ],
)
def test_describe(element, expected):
    assert describe(element) == expected


def test_closest_names_finds_misspellings_and_shared_words():
    elements = [{"tag": "a", "text": "Checkout"}, BUTTON, {"tag": "p", "text": "Unrelated"}]
    assert closest_names("Chekout", elements) == [elements[0]]
    assert closest_names("cart", elements) == [BUTTON]


@pytest.mark.parametrize(
    "expected, actual, matches",
    [
        ("Place order", "Place order for $5.00?", True),
        ("place  ORDER for", "Place order for $5.00?", True),
        ("Place order for $6.00?", "Place order for $5.00?", False),
        ("", "anything", False),
        ("Saved", None, False),
    ],
)
def test_dialog_matches(expected, actual, matches):
    assert dialog_matches(expected, actual) is matches


class _Dialog:
    # Stands in for a browser dialog: records how it was decided.
    def __init__(self, message):
        self.message = message
        self.outcome = None

    def accept(self):
        self.outcome = "accepted"

    def dismiss(self):
        self.outcome = "dismissed"


def test_dialog_decided_before_it_opens():
    keeper = DialogKeeper()
    assert keeper.decide("accept") == "next"
    dialog = _Dialog("Sure?")
    keeper._on_dialog(dialog)
    assert (dialog.outcome, keeper.last_message, keeper.decision) == ("accepted", "Sure?", None)


def test_undecided_dialog_is_dismissed_and_a_late_accept_fails():
    keeper = DialogKeeper()
    dialog = _Dialog("Delete everything?")
    keeper._on_dialog(dialog)
    assert dialog.outcome == "dismissed"
    with pytest.raises(DialogRefused, match="write 'accept dialog' before"):
        keeper.decide("accept")
    # The refusal is reported once; the next accept is kept for the next dialog.
    assert keeper.decide("accept") == "next"


def test_late_dismiss_agrees_and_a_new_step_forgets_the_dismissal():
    keeper = DialogKeeper()
    keeper._on_dialog(_Dialog("Sure?"))
    assert keeper.decide("dismiss") == "dismissed"
    keeper._on_dialog(_Dialog("Again?"))
    keeper.new_step()
    assert keeper.decide("accept") == "next"


@pytest.mark.parametrize(
    "env, config, expected",
    [
        (
            {},
            {},
            {
                "BROWSER_PATH": None,
                "HEADLESS": True,
                "STEP_TIMEOUT_MS": 5000,
                "BROWSER_WS": None,
                "BROWSER_CHANNEL": None,
                "STRICT": False,
                "BROWSER_CDP": None,
            },
        ),
        (
            {},
            {"STEP_TIMEOUT_MS": 800, "HEADLESS": False, "BROWSER_WS": "ws://grid:3000/", "STRICT": True},
            {
                "BROWSER_PATH": None,
                "HEADLESS": False,
                "STEP_TIMEOUT_MS": 800,
                "BROWSER_WS": "ws://grid:3000/",
                "BROWSER_CHANNEL": None,
                "STRICT": True,
                "BROWSER_CDP": None,
            },
        ),
        (
            {"KELVO_STEP_TIMEOUT_MS": "1500", "KELVO_HEADLESS": "no", "KELVO_BROWSER_PATH": "/opt/chrome",
             "KELVO_BROWSER_CDP": "http://grid:9222"},
            {"STEP_TIMEOUT_MS": 800, "HEADLESS": True},
            {
                "BROWSER_PATH": "/opt/chrome",
                "HEADLESS": False,
                "STEP_TIMEOUT_MS": 1500,
                "BROWSER_WS": None,
                "BROWSER_CHANNEL": None,
                "STRICT": False,
                "BROWSER_CDP": "http://grid:9222",
            },
        ),
        (
            {"KELVO_BROWSER_WS": ""},
            {"BROWSER_WS": "ws://grid:3000/"},
            {
                "BROWSER_PATH": None,
                "HEADLESS": True,
                "STEP_TIMEOUT_MS": 5000,
                "BROWSER_WS": "ws://grid:3000/",
                "BROWSER_CHANNEL": None,
                "STRICT": False,
                "BROWSER_CDP": None,
            },
        ),
    ],
)
def test_browser_options_environment_then_config_then_defaults(monkeypatch, env, config, expected):
    for name in settings.BROWSER_SETTINGS:
        monkeypatch.delenv("KELVO_" + name, raising=False)
    for name, value in env.items():
        monkeypatch.setenv(name, value)
    assert settings.browser_options(config) == expected


@pytest.mark.parametrize("value", ["soon", "0", "-5", "1.5"])
def test_browser_options_reject_a_bad_timeout(monkeypatch, value):
    monkeypatch.setenv("KELVO_STEP_TIMEOUT_MS", value)
    with pytest.raises(ValueError, match="KELVO_STEP_TIMEOUT_MS must be"):
        settings.browser_options({})


def test_remote_server_launches_our_browser_only_when_one_is_named():
    options = {"BROWSER_PATH": None, "HEADLESS": True, "STEP_TIMEOUT_MS": 5000, "BROWSER_WS": "ws://x"}
    assert remote_launch_options(options) == {"headless": True, "args": CHROMIUM_ARGS}
    named = remote_launch_options(dict(options, BROWSER_PATH="/usr/bin/chromium"))
    assert named["executablePath"] == "/usr/bin/chromium"
