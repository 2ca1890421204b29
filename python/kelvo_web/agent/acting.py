"""Acting through Playwright: on the chosen element (or the next candidates), and on the page."""

from kelvo_web import ladder
from kelvo_web.agent.outcome import Problem, done, first_line, refused
from kelvo_web.messages import describe


def locator(page, element):
    return page.locator("xpath=" + element["xpath"])


def act_or_next(page, action, result, value, remaining_ms):
    """Act on the chosen element; when it cannot take the action, on the next candidates."""
    chosen = result["element"]
    try:
        act(page, action, chosen, value, remaining_ms)
        return result
    except Problem as problem:
        if not refused(problem):
            raise
        refusal = problem
    candidates = result.get("candidates") or []
    failed = next((i for i, c in enumerate(candidates) if c is chosen), None)
    tried = [chosen]
    for candidate in ladder.retry_order(action, candidates, failed) if failed is not None else []:
        tried.append(candidate)
        try:
            act(page, action, candidate, value, remaining_ms)
        except Problem as problem:
            if refused(problem):
                continue
            raise
        note = f"{describe(chosen)} cannot take the {action}; tried " + ", ".join(map(describe, tried))
        return dict(result, element=candidate, resolved_by="next-candidate", message=note)
    if len(tried) == 1:
        raise refusal
    raise Problem(f"{refusal.problem}; no other candidate took it either", candidates=tried,
                  title="candidates tried", retry=False, result=result)


def act(page, action, element, value, remaining_ms):
    target = locator(page, element)
    try:
        if action == "click":
            # A custom checkbox or radio is drawn by its label over the real input.
            via_label = target.evaluate(_LABEL_DRAWN_JS) if element.get("tag") == "input" else None
            (page.locator("xpath=" + via_label) if via_label else target).click(timeout=remaining_ms)
        elif action == "hover":
            target.hover(timeout=remaining_ms)
        elif action == "type":
            _type(page, target, element, value, remaining_ms)
        elif action == "select":
            _select(target, element, value, remaining_ms)
    except Problem:
        raise
    except Exception as error:
        raise Problem(f"{describe(element)} did not take the {action}: {first_line(error)}") from None


def _type(page, target, element, value, remaining_ms):
    try:
        target.fill(value, timeout=remaining_ms)
        return
    except Exception as error:
        if "Element is not" not in str(error):
            raise  # not yet attached, covered, disabled: worth another attempt
        if not element.get("is_editable_field"):
            raise Problem(f"{describe(element)} cannot be typed into: {first_line(error)}",
                          retry=False) from None
        first_error = error
    # An inline-edit widget that turns into a field when clicked: type into whatever
    # took the focus, but never report typing that landed nowhere.
    target.click(timeout=remaining_ms)
    focused = page.locator("*:focus")
    if focused.count() == 0 or not focused.first.is_editable():
        raise Problem(f"{describe(element)} cannot be typed into: {first_line(first_error)}", retry=False)
    focused.first.fill(value, timeout=remaining_ms)


def _select(target, element, value, remaining_ms):
    found = target.evaluate(_FIND_OPTION_JS, value or "")
    if found is None:
        raise Problem(f"{describe(element)} is not a drop-down list (select)", retry=False)
    if found["index"] < 0:
        raise Problem(f"{describe(element)} has no option {value!r}",
                      candidates=[repr(label) for label in found["labels"]],
                      title="its options")
    target.select_option(index=found["index"], timeout=remaining_ms)


def navigate(page, address):
    try:
        page.goto(address)
    except Exception as error:
        raise Problem(f"could not open {address}: {first_line(error)}", retry=False) from None
    return done(url=page.url)


def wait(page, target):
    if not target.isdigit() or not target.isascii():
        raise Problem(f"wait needs a whole number of milliseconds, not {target!r}", retry=False)
    page.wait_for_timeout(int(target))
    return done()


def press_keys(page, keys, press_only):
    try:
        page.keyboard.press(keys)
    except Exception as error:
        if press_only or "Unknown key" not in str(error):
            raise Problem(f"cannot press {keys!r}: {first_line(error)}", retry=False) from None
        # sendkeys also takes plain text: what is not a key name is typed as written.
        page.keyboard.type(keys)
    return done()


# Option choice for *select*: the label as written, then the value, then either
# without regard to case. Answers null when the element is no select.
_FIND_OPTION_JS = """(el, wanted) => {
  if (el.tagName.toLowerCase() !== 'select') return null;
  const options = Array.from(el.options);
  const want = wanted.trim();
  const low = s => s.trim().toLowerCase();
  let index = options.findIndex(o => o.label.trim() === want);
  if (index < 0) index = options.findIndex(o => o.value === want);
  if (index < 0) index = options.findIndex(o => low(o.label) === low(want));
  if (index < 0) index = options.findIndex(o => low(o.value) === low(want));
  return {index, labels: options.map(o => o.label.trim())};
}"""


# For a checkbox or radio input that something else covers (its label's drawing): the
# XPath of its first label, to click instead; null when the input takes clicks itself.
_LABEL_DRAWN_JS = """(el) => {
  const type = (el.getAttribute('type') || '').toLowerCase();
  if ((type !== 'checkbox' && type !== 'radio') || !el.labels || !el.labels.length) return null;
  const r = el.getBoundingClientRect();
  const top = r.width > 2 && r.height > 2 ? document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) : null;
  if (top && (top === el || el.contains(top)) && getComputedStyle(el).opacity !== '0') return null;
  const steps = [];
  for (let node = el.labels[0]; node && node.nodeType === 1; node = node.parentElement) {
    let index = 1;
    for (let sib = node.previousElementSibling; sib; sib = sib.previousElementSibling) if (sib.tagName === node.tagName) index++;
    steps.unshift(node.tagName.toLowerCase() + '[' + index + ']');
  }
  return '/' + steps.join('/');
}"""
