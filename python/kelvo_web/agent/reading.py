"""Reading an element's text for *extract_text*: a field's value, else its harvested text."""

from kelvo_web.agent.acting import locator


def read_text(page, element):
    if element.get("tag") in ("input", "textarea", "select"):
        try:
            return locator(page, element).input_value(timeout=1000)
        except Exception:
            pass
    return (element.get("text") or "").strip()
