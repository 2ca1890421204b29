"""The agent's resolution ladder: what it tries after the text and spatial rules found nothing.

The rules keep their answers; the ladder only speaks when they answered "not found" (or the
chosen element refused the action), and then costs one more round trip to the page, for the
extras the harvest does not carry (control names and kinds, inline and structural text).
"""

from kelvo_web.engine.agent import _ladder
from kelvo_web.page_scripts import guarded

EXTRAS_JS = guarded(_ladder.EXTRAS_JS)
retry_order = _ladder.retry_order
contradicts_kind = _ladder.contradicts_kind
contradicts_name = _ladder.contradicts_name

# Checks whose answer is about page text; the rest aim at an element.
TEXT_ACTIONS = {
    "find_text",
    "find_exact_text",
    "verify_text_present",
    "verify_text_visible",
    "verify_spatial_text",
    "extract_text_spatial",
}
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
    target = parsed.get("target") or ""
    return (
        action not in TEXT_ACTIONS
        and element is not None
        and (contradicts_kind(target, element) or contradicts_name(target, element))
    )


EXACT_ACTIONS = {"click", "hover", "type", "select"}
SEARCH_ACTIONS = {"find_text", "verify_text_present", "verify_text_visible"}


def _fold(text):
    return " ".join((text or "").lower().split())


def named_exactly(target, element):
    """Whether the element's own text or name is the whole target (no re-ranking needed)."""
    attributes = element.get("attributes") or {}
    wanted = _fold(target)
    names = [element.get("text"), attributes.get("aria-label"), attributes.get("title"), attributes.get("value")]
    if element.get("tag") in ("input", "textarea", "select"):
        names.append(attributes.get("_label"))
    return any(_fold(name) == wanted for name in names)


def rerank(parsed, result, dom_elements, text_elements, read, spatial=False):
    """Agent policy over a resolved answer of the text rules, or None to keep it.

    The rules take the first contains match in reading order; a tester who writes the whole
    name of a control means the control of that exact name (*click Submit form* beside a
    plain Submit), and for page text the innermost element that carries the words, not the
    paragraph around them. A spatial answer (`spatial`) gives way to a control of the same name
    in the anchor's own row. `read()` gives the extras, read only when the answer is in doubt.
    """
    action, target = parsed.get("action"), parsed.get("target") or ""
    element = result.get("element")
    if element is None or named_exactly(target, element):
        return None
    if spatial:
        if action not in EXACT_ACTIONS:
            return None
        found = _ladder.row_twin(action, target, element.get("xpath") or "", dom_elements, text_elements, read())
        return found if found["resolved"] else None
    if action in EXACT_ACTIONS:
        found = _ladder.exact_name(action, target, element.get("xpath"), dom_elements, text_elements, read())
        return found if found["resolved"] else None
    if action in SEARCH_ACTIONS and len(element.get("text") or "") > len(target):
        found = _ladder.resolve(parsed, dom_elements, text_elements, read())
        inner = found.get("element")
        if found["resolved"] and inner is not None and len(inner.get("text") or "") < len(element.get("text") or ""):
            return found
    return None


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
    # More anchors find more places, not more names: the answer must still be what the
    # tester named (*Delete near Carol* is never the Cancel beside Carol).
    if found.get("resolved") and not rules_missed(parsed, found):
        return dict(found, resolved_by="extended-text")
    return result
