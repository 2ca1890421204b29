"""The messages of checks the core judged: an element's state, a text on the page; and the last dialog."""

from kelvo_web.agent.dialogs import dialog_matches
from kelvo_web.agent.messages import closest_names, describe
from kelvo_web.agent.outcome import Problem, done
from kelvo_web.engine.agent._ladder import READING_PHRASES


def check_state(verdict, result):
    """The answer of a state check the core judged on the element found, or the Problem."""
    if verdict["verified"]:
        return result
    raise Problem(
        f"{describe(result['element'])} is not {verdict['expected']}",
        expected=verdict["expected"],
        actual=verdict["actual"],
        candidates=result.get("candidates", [])[1:],
        title="other matches",
        result=result,
    )


def check_text(parsed, decision, text_elements):
    """The answer of a text step the core decided, or the Problem it names, in words."""
    problem = decision.get("problem")
    result = decision["result"]
    if problem is not None:
        raise _TEXT_PROBLEMS[problem](parsed["target"], decision, result, result.get("state") or {}, text_elements)
    return dict(result, resolved_by=decision["resolved_by"])


def _names_no_place(target, decision, result, state, texts):
    *others, last = READING_PHRASES
    return Problem(
        f"{target!r} names no place: start it with {', '.join(others)} or {last}, then the anchor text",
        retry=False,
    )


# The words of each way the core says a text step fails.
_TEXT_PROBLEMS = {
    "no_exact_text": lambda target, decision, result, state, texts: Problem(
        f"no text on the page is exactly {target!r}", candidates=result["candidates"], title="near misses", result=result
    ),
    "absent": lambda target, decision, result, state, texts: Problem(
        f"text {target!r} is not on the page",
        candidates=lambda: closest_names(target, texts),
        title="similar texts",
        result=result,
    ),
    "hidden": lambda target, decision, result, state, texts: Problem(
        f"text {target!r} is on the page but not visible", result=result
    ),
    "nothing_to_read": lambda target, decision, result, state, texts: Problem(
        f"nothing to read {target}: {decision['reason']}", result=result
    ),
    "no_anchor": lambda target, decision, result, state, texts: Problem(decision["reason"], result=result),
    "no_place": _names_no_place,
    "place_missed": lambda target, decision, result, state, texts: Problem(state["actual"], result=result),
    "mismatch": lambda target, decision, result, state, texts: Problem(
        f"the text {target} does not match",
        expected=state.get("expected"),
        actual=state.get("actual"),
        candidates=result.get("candidates", [])[1:],
        title="other texts in that direction",
        result=result,
    ),
}


def check_dialog(dialogs, expected):
    actual = dialogs.last_message
    if actual is None:
        raise Problem("no dialog has opened", expected=expected)
    if not dialog_matches(expected, actual):
        raise Problem("the last dialog says something else", expected=expected, actual=actual)
    return done(state={"expected": expected, "actual": actual})
