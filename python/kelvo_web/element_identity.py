"""Acting on the very element a step resolved, and saying why the browser refused.

A harvested element is found again by its XPath, which is positional: a row put at the
top of a list between the harvest and the action makes the same path name the row
beside it. So the element is taken once as a handle, checked against what the harvest
saw (text, box, the text of its row) and acted on through that handle, never through the path again.
"""

# Whether the element now at the path is the one harvested: same text, same box
# (within layout jitter), and its row (the nearest harvested text around it) still reads as
# it did; rows of one list look alike, so only their text tells them apart. Answers the
# element itself when it is the same (a handle, in the same round trip), else what differs.
IDENTITY_JS = """(seen) => {
  const el = seen.xpath && document.evaluate(seen.xpath, document, null, XPathResult.FIRST_ORDERED_NODE_TYPE, null).singleNodeValue;
  if (!el) return 'it is no longer on the page';
  const squash = s => (s || '').replace(/\\s+/g, ' ').trim();
  const same = (now, then) => now === then || now.startsWith(then);
  if (seen.check_text && !same(squash(el.innerText), squash(seen.text))) {
    return `its text is now ${JSON.stringify(squash(el.innerText).slice(0, 60))}`;
  }
  const box = seen.box;
  if (box) {
    const r = el.getBoundingClientRect();
    const slack = 2;
    if (Math.abs(r.x - box.x) > slack || Math.abs(r.y - box.y) > slack ||
        Math.abs(r.width - box.width) > slack || Math.abs(r.height - box.height) > slack) {
      return `it moved from (${Math.round(box.x)}, ${Math.round(box.y)}) to (${Math.round(r.x)}, ${Math.round(r.y)})`;
    }
  }
  if (seen.row) {
    let row = el;
    for (let i = 0; i < seen.row.levels && row; i++) row = row.parentElement;
    const text = row ? squash(row.innerText) : '';
    if (!same(text, squash(seen.row.text))) return `its row now reads ${JSON.stringify(text.slice(0, 60))}`;
  }
  return el;
}"""

ROW_LEVELS = 3  # how far up the row text is looked for
ROW_TEXT_MAX = 200  # a longer text is a page region, not a row, and may change on its own

# Call-log lines that carry the reason an action could not be taken.
_REASONS = ("not enabled", "not visible", "not stable", "intercepts pointer events", "not editable",
            "not attached", "detached", "outside of the viewport", "not an <input>", "not a <select>",
            "does not have", "element is not")


def first_line(error):
    text = str(error).strip()
    return text.splitlines()[0] if text else type(error).__name__


def error_reason(error):
    """The first line of a Playwright error, with the last reason its call log gives
    (element is not enabled, <div> intercepts pointer events...) when the line lacks one."""
    line = first_line(error)
    reason = None
    for raw in str(error).splitlines()[1:]:
        text = raw.strip().lstrip("-").strip()
        if any(word in text for word in _REASONS):
            reason = text
    if reason and reason not in line:
        return f"{line.rstrip('.')} ({reason})"
    return line


def identity_of(element, text_elements=()):
    """What the identity check compares, from a harvested descriptor and its harvest's texts."""
    tag = (element.get("tag") or "").lower()
    text = element.get("text") or ""
    xpath = element.get("xpath") or ""
    row = None
    for candidate in text_elements or ():
        path = candidate.get("xpath") or ""
        if path and xpath.startswith(path + "/") and (row is None or len(path) > len(row["xpath"])):
            row = candidate
    seen_row = None
    if row is not None:
        levels = xpath.count("/") - row["xpath"].count("/")
        row_text = row.get("text") or ""
        if levels <= ROW_LEVELS and row_text.strip() and len(row_text) <= ROW_TEXT_MAX:
            seen_row = {"levels": levels, "text": row_text}
    return {"xpath": xpath, "text": text,
            "check_text": bool(text.strip()) and tag not in ("input", "textarea", "select"),
            "box": element.get("bounding_box") or None, "row": seen_row}
