"""The agent's resolution ladder: what it tries after the text and spatial rules found nothing.

The rules keep their answers; the ladder only speaks when they answered "not found" (or the
chosen element refused the action), and then costs one more round trip to the page, for the
extras the harvest does not carry (control names and kinds, inline and structural text).
"""

from kelvo_web.engine.agent import _ladder

EXTRAS_JS = _ladder.EXTRAS_JS
retry_order = _ladder.retry_order
contradicts_kind = _ladder.contradicts_kind

# Checks whose answer is about page text; the rest aim at an element.
TEXT_ACTIONS = {"find_text", "find_exact_text", "verify_text_present", "verify_text_visible",
                "verify_spatial_text", "extract_text_spatial"}
SPATIAL_TEXT_ACTIONS = {"verify_spatial_text", "extract_text_spatial"}


def rules_missed(parsed, result):
    """Whether a result of the rules leaves room for the ladder.

    Besides "not found": a spatial text check that found its anchor but nothing in the
    direction (the rules then answer with the anchor itself and no candidates), and an
    element that is not of the kind the tester named (*the second radio button* answered
    with a link: the rules do not know the word and guessed).
    """
    action = parsed.get("action")
    if not result.get("resolved"):
        return True
    if action in SPATIAL_TEXT_ACTIONS:
        return not result.get("candidates")
    element = result.get("element")
    return action not in TEXT_ACTIONS and element is not None and \
        contradicts_kind(parsed.get("target") or "", element)


def read_extras(page):
    """Form controls with their names and kinds, and the extended texts, in one evaluation."""
    return page.evaluate(EXTRAS_JS)


def climb(parsed, dom_elements, text_elements, extras, spatial=None):
    """The ladder's answer on one harvest and its extras, with "resolved_by" naming the rung.

    `spatial(text_elements)` re-runs the spatial rules with more anchors: a phrase such as
    *the button below Delivery details* whose anchor is a legend needs nothing else.
    """
    result = _ladder.resolve(parsed, dom_elements, text_elements, extras)
    if result["resolved"] or spatial is None or parsed.get("action") in TEXT_ACTIONS:
        return result
    found = spatial(list(text_elements) + list(extras.get("texts") or []))
    if found.get("resolved"):
        return dict(found, resolved_by="extended-text")
    return result
