"""Judging checks: an element's state, a text on the page, the last dialog."""

from kelvo_web.agent.dialogs import dialog_matches
from kelvo_web.agent.finding import engine
from kelvo_web.agent.messages import closest_names, describe
from kelvo_web.agent.outcome import Problem, done
from kelvo_web.engine.agent._ladder import READING_PHRASES, state_verdict

# The element checks; the core judges each from the element found.
STATE_CHECKS = ("verify_present", "verify_visible", "verify_enabled", "verify_disabled")


def check_state(parsed, result, route):
    """The answer of a state check, whichever route found the element, or the Problem."""
    verdict = state_verdict(parsed["action"], result["element"])
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


def check_text(parsed, result, route, dom_elements, text_elements):
    """The answer of a text step found by `route`, or the Problem saying why it fails."""
    action, target = parsed["action"], parsed["target"]
    state = result.get("state") or {}
    if action == "find_exact_text":
        if not result["resolved"]:
            raise Problem(
                f"no text on the page is exactly {target!r}",
                candidates=result["candidates"],
                title="near misses",
                result=result,
            )
    elif action in ("find_text", "verify_text_present", "verify_text_visible"):
        if not result["resolved"]:
            raise Problem(
                f"text {target!r} is not on the page",
                candidates=closest_names(target, text_elements),
                title="similar texts",
                result=result,
            )
        if action == "verify_text_visible" and not result.get("verified"):
            raise Problem(f"text {target!r} is on the page but not visible", result=result)
    elif action in ("verify_spatial_text", "extract_text_spatial"):
        if not result["resolved"] and action == "extract_text_spatial":
            # Extraction answers without a reason; the same search as a check gives one.
            check = dict(parsed, action="verify_spatial_text", value="")
            state = engine().strategy.resolve(check, dom_elements, text_elements).get("state") or {}
            if "actual" in state and not state["actual"].startswith("anchor "):
                raise Problem(f"nothing to read {target}: {state['actual']}", result=result)
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
    return dict(result, resolved_by=route)


def check_dialog(dialogs, expected):
    actual = dialogs.last_message
    if actual is None:
        raise Problem("no dialog has opened", expected=expected)
    if not dialog_matches(expected, actual):
        raise Problem("the last dialog says something else", expected=expected, actual=actual)
    return done(state={"expected": expected, "actual": actual})
