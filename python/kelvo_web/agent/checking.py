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
    """The answer of a text step the core decided, or the Problem saying why it fails."""
    action, target = parsed["action"], parsed["target"]
    result = decision["result"]
    state = result.get("state") or {}
    if action == "find_exact_text":
        if not result["resolved"]:
            raise Problem(
                f"no text on the page is exactly {target!r}",
                candidates=result["candidates"],
                title="near misses",
                result=result,
            )
    elif action in ("verify_spatial_text", "extract_text_spatial"):
        if "reason" in decision:
            raise Problem(f"nothing to read {target}: {decision['reason']}", result=result)
        if not result["resolved"]:
            if "actual" not in state:
                *others, last = READING_PHRASES
                raise Problem(
                    f"{target!r} names no place: start it with {', '.join(others)} or {last}, then the anchor text",
                    retry=False,
                )
            raise Problem(state["actual"], result=result)
        if action == "verify_spatial_text" and not result.get("verified"):
            raise Problem(
                f"the text {target} does not match",
                expected=state.get("expected"),
                actual=state.get("actual"),
                candidates=result.get("candidates", [])[1:],
                title="other texts in that direction",
                result=result,
            )
    else:
        if not result["resolved"]:
            raise Problem(
                f"text {target!r} is not on the page",
                candidates=closest_names(target, text_elements),
                title="similar texts",
                result=result,
            )
        if action == "verify_text_visible" and not result.get("verified"):
            raise Problem(f"text {target!r} is on the page but not visible", result=result)
    return dict(result, resolved_by=decision["resolved_by"])


def check_dialog(dialogs, expected):
    actual = dialogs.last_message
    if actual is None:
        raise Problem("no dialog has opened", expected=expected)
    if not dialog_matches(expected, actual):
        raise Problem("the last dialog says something else", expected=expected, actual=actual)
    return done(state={"expected": expected, "actual": actual})
