"""Reading an element's text for *extract_text*: a field's value, else its harvested text."""

from kelvo_web.agent.acting import element_handle, locator


def read_text(page, element):
    if element.get("tag") in ("input", "textarea", "select"):
        try:
            if not element.get("address"):
                return locator(page, element).input_value(timeout=1000)
            handle = element_handle(page, element)
            try:
                return handle.input_value(timeout=1000)
            finally:
                handle.dispose()
        except Exception:
            pass  # the harvested text then
    return (element.get("text") or "").strip()
