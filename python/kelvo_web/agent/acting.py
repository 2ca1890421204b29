"""Acting through Playwright: on the chosen element (or the next candidates), and on the page."""

import http
import os
import time

from kelvo_web.agent.element_identity import IDENTITY_JS, error_reason, identity_of
from kelvo_web.agent.messages import describe
from kelvo_web.agent.outcome import Problem, done, first_line, refused
from kelvo_web.agent.steps import wait_problem
from kelvo_web.engine.agent._ladder import retry_order
from kelvo_web.engine.browser.harvester import _FRAME_PLACE_JS
from kelvo_web.page_scripts import guarded, script, text_of

FIND_OPTION_JS = script("find_option")
SLIDER_JS = script("slider_value")
PICKER_JS = script("picker")
POPUP_OPTION_JS = script("find_popup_option")
SET_HIDDEN_SELECT_JS = script("set_hidden_select")
# How long options may take to show after a widget opens before typing the value into it
# is tried (a list that filters as one types shows nothing until then).
OPEN_WAIT_MS = 1500
LABEL_DRAWN_JS = script("label_drawn")
# The click point of an element, with the page armed so the click lands on it or nowhere.
CLICK_POINT_JS = guarded(
    "async (el, args, guard, model) => {\n"
    f"  const point = await ({text_of('click_point')})(el, args, guard, model);\n"
    f"  if (point) guard(() => ({text_of('click_guard')})(el, model));\n"
    "  return point;\n"
    "}"
)
# The element found again and its click point in one round trip, so a direct click needs
# no handle: { changed: what differs }, or { point: the click point, or null }. An element
# not ready for a plain click is kept in the model's slot (kept: true), so the handle the
# locator's click needs comes without checking the element's identity a second time.
FOUND_POINT_JS = guarded(
    "async (args, unused, guard, model) => {\n"
    f"  const el = ({text_of('identity')})(args.seen);\n"
    "  if (typeof el === 'string') return { changed: el };\n"
    f"  const point = await ({text_of('click_point')})(el, args.point, guard, model);\n"
    f"  if (point) guard(() => ({text_of('click_guard')})(el, model));\n"
    "  const kept = !point && !!(model && model.slot);\n"
    "  if (kept) model.slot.found = el;\n"
    "  return { point, kept };\n"
    "}"
)
# The element FOUND_POINT_JS kept, as a handle; the slot lets go of it.
# The element found again and made ready for typing in one round trip, as FOUND_POINT_JS
# does for a click: { changed }, or { ready: true, or null (kept: the element in the slot) }.
FOUND_FIELD_JS = guarded(
    "(args, unused, guard, model) => {\n"
    f"  const el = ({text_of('identity')})(args.seen);\n"
    "  if (typeof el === 'string') return { changed: el };\n"
    f"  const ready = ({text_of('fill_ready')})(el, args.value);\n"
    "  const kept = !ready && !!(model && model.slot);\n"
    "  if (kept) model.slot.found = el;\n"
    "  return { ready, kept };\n"
    "}"
)
KEPT_JS = guarded(
    "(args, unused, guard, model) => {\n"
    "  const el = model && model.slot ? model.slot.found : null;\n"
    "  if (model && model.slot) model.slot.found = null;\n"
    "  return el || null;\n"
    "}"
)
AFTER_CLICK_JS = script("after_click")
LEAVE_WAIT_MS = 2000  # for a page that began to leave after a click: its next document
LEAVE_POLL_MS = 10  # how often the wait for it lets Playwright's events in


def locator(page, element):
    """A locator for a light-tree element of the top document (its path is an XPath)."""
    return page.locator("xpath=" + element["xpath"])


def frame_of(page, element):
    """The frame whose document holds the element, and where that frame's viewport sits
    in the page: each frame element on the element's "address" is found again in turn."""
    address = element.get("address") or []
    frame, x, y = page.main_frame, 0.0, 0.0
    for hop in address[:-1]:
        found = frame.evaluate_handle(IDENTITY_JS, {"xpath": hop})
        holder = found.as_element()
        if holder is None:
            found.dispose()
            raise Problem(f"the frame holding {describe(element)} is no longer on the page")
        try:
            place = holder.evaluate(_FRAME_PLACE_JS)
            inner = holder.content_frame()
        finally:
            holder.dispose()
        if inner is None:
            raise Problem(f"the frame holding {describe(element)} shows no document now")
        frame, x, y = inner, x + place["x"], y + place["y"]
    return frame, x, y


LOAD_WAIT_CAP_MS = 30000  # a page still loading after this long is used as it is
# A page gets the step timeout to arrive, but never less than this: a timeout set low so that
# a missing element fails fast must not fail a page a busy machine serves in a second or two.
NAVIGATION_FLOOR_MS = 3000


def act_or_next(page, action, result, value, remaining_ms, text_elements=(), seen_state=None, seen=None):
    """Act on the chosen element; when it cannot take the action, on the next candidates.
    `text_elements` are the harvest's texts, for telling the element from its neighbours;
    `seen_state` the page's change state the harvest was read at; `seen` what the core read
    of the chosen element for the identity check."""
    chosen = result["element"]
    try:
        act(page, action, chosen, value, remaining_ms, text_elements, seen_state, seen)
        return result
    except Problem as problem:
        if not refused(problem):
            raise
        refusal = problem
    candidates = result.get("candidates") or []
    failed = next((i for i, c in enumerate(candidates) if c is chosen), None)
    tried = [chosen]
    for candidate in retry_order(action, candidates, failed) if failed is not None else []:
        tried.append(candidate)
        try:
            act(page, action, candidate, value, remaining_ms, text_elements)
        except Problem as problem:
            if refused(problem):
                continue
            raise
        note = f"{describe(chosen)} cannot take the {action}; tried " + ", ".join(map(describe, tried))
        return dict(result, element=candidate, resolved_by="next-candidate", message=note)
    if len(tried) == 1:
        raise refusal
    raise Problem(
        f"{refusal.problem}; no other candidate took it either",
        candidates=tried,
        title="candidates tried",
        retry=False,
        result=result,
    )


def element_handle(page, element, text_elements=(), seen=None):
    """The element at the harvested path as a handle, checked to be the one harvested: the
    path is positional, so a row put on top of a list makes it name the row beside it."""
    try:
        seen = seen or identity_of(element, text_elements)
        where = page
        address = element.get("address")
        if address:
            # In a frame or a shadow root: the path within its document, the box in its frame.
            where, x, y = frame_of(page, element)
            box = seen["box"]
            if box:
                box = dict(box, x=box["x"] - x, y=box["y"] - y)
            seen = dict(seen, xpath=address[-1], box=box)
        found = where.evaluate_handle(IDENTITY_JS, seen)
        handle = found.as_element()
        changed = None if handle is not None else found.json_value()
    except Problem:
        raise
    except Exception as error:
        raise Problem(f"{describe(element)} could not be found again: {error_reason(error)}") from None
    if handle is None:
        found.dispose()
        raise Problem(f"the page changed before the step could act on {describe(element)}: {changed}")
    return handle


def act(page, action, element, value, remaining_ms, text_elements=(), seen_state=None, seen=None):
    """Act on the element once it is found again and checked to be the one resolved
    (a handle, or the direct click's one evaluation), never through its path alone."""
    at_once = ACTS[action] is _click and _may_click_at_once(element)
    target = None
    if at_once:
        clicked = _clicked_at_once(page, element, text_elements, remaining_ms, seen_state, seen)
        if clicked is True:
            return
        target = clicked  # the handle of the element already checked, or None
    elif ACTS[action] is _type and _may_type_at_once(element, value):
        typed = _typed_at_once(page, element, value, text_elements, seen)
        if typed is True:
            return
        target = typed
    if target is None:
        target = element_handle(page, element, text_elements, seen)
    try:
        _act_on(page, action, target, element, value, remaining_ms, seen_state, direct=not at_once)
    finally:
        try:
            target.dispose()
        except Exception:
            pass  # the page it belonged to is gone


# Inputs a label cannot draw (a custom checkbox or radio is drawn by its label over the
# real input, which the handle's way looks for): buttons of every kind.
BUTTON_INPUTS = ("submit", "button", "reset", "image")


def _may_click_at_once(element):
    """Whether the click may be tried as a plain mouse click found in one evaluation: not in
    a frame or shadow root (the frame is found first), not an input a label may draw."""
    if element.get("address"):
        return False
    attributes = element.get("attributes") or {}
    if element.get("tag") != "input":
        return True
    return str(attributes.get("type") or "").strip().lower() in BUTTON_INPUTS


def _links_away(element):
    """A link to another document: its plain click is followed by its navigation's answer
    too (see _click_at), which tells a slow next document from none at all."""
    attributes = element.get("attributes") or {}
    if element.get("tag") != "a" or "href" not in attributes:
        return False
    href = str(attributes.get("href") or "").strip().lower()
    return not (href.startswith("#") or href.startswith("javascript:"))


def _may_submit(element):
    """A control that submits its form when clicked, if it has one."""
    kind = str((element.get("attributes") or {}).get("type") or "").strip().lower()
    if element.get("tag") == "button":
        return kind not in ("button", "reset")
    return element.get("tag") == "input" and kind in ("submit", "image")


def _found_again(page, script, element, text_elements, seen=None, **args):
    """What `script` answers for the element found again and checked to be the one resolved,
    in one round trip; a Problem when it is gone or changed."""
    try:
        seen = seen or identity_of(element, text_elements)
        found = page.evaluate(script, {"seen": seen, **args})
    except Problem:
        raise
    except Exception as error:
        raise Problem(f"{describe(element)} could not be found again: {error_reason(error)}") from None
    if "changed" in found:
        raise Problem(f"the page changed before the step could act on {describe(element)}: {found['changed']}")
    return found


def _clicked_at_once(page, element, text_elements, remaining_ms, seen_state, seen=None):
    """The direct click (see _clicked_directly) with the element found again and its point
    read in one round trip: True once clicked; else the click is left to the handle (the
    element is not ready for a plain click), which comes back when the page kept it."""
    found = _found_again(page, FOUND_POINT_JS, element, text_elements, seen, point=_point_args(element, seen_state))
    point = found["point"]
    if point is None:
        return _kept_handle(page) if found.get("kept") else None
    _click_at(page, point, remaining_ms, element)
    return True


def _may_type_at_once(element, value):
    """A field of the top document's light tree that Playwright's fill would type into:
    the rest (editors, file fields, sliders, custom fields) takes the handle's way."""
    return (
        isinstance(value, str)
        and element.get("tag") in ("input", "textarea")
        and not element.get("address")
        and not element.get("editor")
        and not _is_file_field(element)
    )


def _typed_at_once(page, element, value, text_elements, seen=None):
    """Typing as Playwright's fill types into a plain field, in two round trips instead of
    three: the field found again, focused and its text selected in one evaluation
    (`fill_ready.js`), then the value inserted where the focus is (or the selection deleted
    for an empty value). True once typed; else the handle of the element kept, or None."""
    found = _found_again(page, FOUND_FIELD_JS, element, text_elements, seen, value=value)
    if not found["ready"]:
        return _kept_handle(page) if found.get("kept") else None
    text = found["ready"]["text"]  # a number field's value trimmed, as Playwright's fill does
    try:
        if text:
            page.keyboard.insert_text(text)
        else:
            page.keyboard.press("Delete")
    except Exception as error:
        raise Problem(f"{describe(element)} did not take the typing: {error_reason(error)}") from None
    return True


def _kept_handle(page):
    try:
        kept = page.evaluate_handle(KEPT_JS)
    except Exception:
        return None  # a navigation under way: the element is looked for again
    handle = kept.as_element()
    if handle is None:
        kept.dispose()
    return handle


def _point_args(element, seen_state):
    return {"state": seen_state, "box": element.get("bounding_box"), "away": _links_away(element)}


def _click(page, target, element, value, remaining_ms, seen_state, direct):
    # A custom checkbox or radio is drawn by its label over the real input.
    label = target.evaluate_handle(LABEL_DRAWN_JS).as_element() if element.get("tag") == "input" else None
    if label is None and direct and _clicked_directly(page, target, element, remaining_ms, seen_state):
        return
    try:
        (label or target).click(timeout=remaining_ms)
    finally:
        if label is not None:
            label.dispose()


def _hover(page, target, element, value, remaining_ms, seen_state, direct):
    target.hover(timeout=remaining_ms)


def _act_on(page, action, target, element, value, remaining_ms, seen_state=None, direct=True):
    """`direct`: whether a click may still be a plain mouse click (not yet found wanting)."""
    try:
        ACTS[action](page, target, element, value, remaining_ms, seen_state, direct)
    except Problem:
        raise
    except Exception as error:
        raise Problem(f"{describe(element)} did not take the {action}: {error_reason(error)}") from None


def _clicked_directly(page, target, element, remaining_ms, seen_state=None):
    """A plain mouse click on the element's centre when nothing stands in its way, which
    spares the locator click's own waiting; False leaves the click to the locator."""
    if element.get("address"):
        return False  # in a frame or shadow root: the locator finds the point
    point = target.evaluate(CLICK_POINT_JS, _point_args(element, seen_state))
    if point is None:
        return False
    _click_at(page, point, remaining_ms, element)
    return True


def _click_at(page, point, remaining_ms, element):
    # Listened for from before the click, so a next document, a download or (for a link
    # to another document) the navigation's own answer that comes while the page is asked
    # what it did is not missed.
    follow = _Following(page)
    listeners = {"framenavigated": follow.document, "download": follow.download}
    if _links_away(element) or _may_submit(element):
        listeners.update(request=follow.request, response=follow.response, requestfailed=follow.failed)
    for event, listener in listeners.items():
        page.on(event, listener)
    try:
        _click_and_follow(page, point, remaining_ms, element, follow)
    finally:
        for event, listener in listeners.items():
            page.remove_listener(event, listener)


class _Following:
    """What came of a click that may leave the page: `ended` once its next document came,
    a download started, or the navigation was answered with nothing to show (204, 205) or
    failed; `asked` once its navigation went to the server, which then ends it one of
    those ways."""

    def __init__(self, page):
        self.page, self.ended, self.asked = page, False, False

    def _ours(self, request):
        return request.is_navigation_request() and request.frame == self.page.main_frame

    def document(self, frame):
        if frame == self.page.main_frame:
            self.ended = True

    def download(self, download):
        self.ended = True

    def request(self, request):
        if self._ours(request):
            self.asked = True

    def response(self, response):
        if self._ours(response.request) and response.status in (204, 205):
            self.ended = True  # the page stays as it is

    def failed(self, request):
        if self._ours(request):
            self.ended = True


def _click_and_follow(page, point, remaining_ms, element, follow):
    try:
        page.mouse.click(point["x"], point["y"])
    except Exception:
        if page.is_closed():
            return  # the click closed its own page (a sign-in window, its work done)
        raise
    try:
        after = page.evaluate(AFTER_CLICK_JS)
    except Exception:
        if page.is_closed():
            return
        # The old document is gone before it could answer: its next one is on the way.
        after = {"missed": None, "leaving": True}
    if after["missed"]:
        # The page moved between reading the point and the click; the guard stopped the
        # click, so nothing was clicked, and the next attempt reads the page again.
        raise Problem(
            f"the page moved {describe(element)} as the click came (it would have landed on "
            f"{after['missed']}); the click was held back"
        )
    if after["leaving"]:
        # As the locator click does: the step ends once the next document has begun (or
        # the navigation ended without one). One that went to the server is waited for as
        # long as the step may; one whose end no event tells (a script's navigation to a
        # mail address, an empty answer nobody listened for), a bounded while.
        started = time.monotonic()
        while not follow.ended and not page.is_closed():
            waited_ms = (time.monotonic() - started) * 1000
            if waited_ms >= remaining_ms or (waited_ms >= LEAVE_WAIT_MS and not follow.asked):
                return
            try:
                page.wait_for_timeout(LEAVE_POLL_MS)
            except Exception:
                return


def _type(page, target, element, value, remaining_ms, seen_state=None, direct=True):
    if _is_file_field(element):
        _choose_file(target, element, value, remaining_ms)
        return
    if element.get("editor"):
        _type_into_editor(page, target, element, value, remaining_ms)
        return
    slider = target.evaluate(SLIDER_JS) if _may_be_slider(element) else None
    if slider is not None:
        _set_slider(page, target, element, value, slider, remaining_ms)
        return
    try:
        target.fill(value, timeout=remaining_ms)
        return
    except Exception as error:
        if "Element is not" not in str(error):
            raise  # not yet attached, covered, disabled: worth another attempt
        if not element.get("is_editable_field"):
            raise Problem(f"{describe(element)} cannot be typed into: {error_reason(error)}", retry=False) from None
        first_error = error
    # An inline-edit widget that turns into a field when clicked: type into whatever
    # took the focus, but never report typing that landed nowhere.
    target.click(timeout=remaining_ms)
    focused = (target.owner_frame() or page).locator("*:focus")
    if focused.count() == 0 or not focused.first.is_editable():
        raise Problem(f"{describe(element)} cannot be typed into: {error_reason(first_error)}", retry=False)
    focused.first.fill(value, timeout=remaining_ms)


def _may_be_slider(element):
    """Whether the record leaves the element a slider (a range input or the slider role):
    the element was checked to be the one read, so only such a one is asked for its value."""
    attributes = element.get("attributes") or {}
    kind = str(attributes.get("type") or "").strip().lower()
    role = str(attributes.get("role") or "").strip().lower()
    return role == "slider" or (element.get("tag") == "input" and kind == "range") or element.get("tag") != "input"


def _type_into_editor(page, target, element, value, remaining_ms):
    """A code editor takes keys, not a value: click into it, select what it holds, type."""
    target.click(timeout=remaining_ms)
    page.keyboard.press("ControlOrMeta+A")
    page.keyboard.press("Delete")
    page.keyboard.type(value or "")


SLIDER_STEPS_MAX = 1000  # key presses: a slider that needs more is set no closer by pressing on


def _set_slider(page, target, element, value, slider, remaining_ms):
    """*type 6 into Duration* on a slider: move it with the arrow keys, as a person does
    from the keyboard, until it shows the value."""
    try:
        wanted = float(value)
    except (TypeError, ValueError):
        raise Problem(f"{describe(element)} is a slider: give it a number, not {value!r}", retry=False) from None
    target.focus()
    now = slider["now"]
    for _ in range(SLIDER_STEPS_MAX):
        if now == wanted:
            return
        page.keyboard.press("ArrowRight" if now < wanted else "ArrowLeft")
        moved = target.evaluate(SLIDER_JS)["now"]
        if moved == now or (moved > wanted) != (now > wanted) and moved != wanted:
            break  # at its end, or the value lies between two of its steps
        now = moved
    if now != wanted:
        raise Problem(f"{describe(element)} cannot be set to {value}: it stops at {now:g}", retry=False)


def _is_file_field(element):
    attributes = element.get("attributes") or {}
    return element.get("tag") == "input" and str(attributes.get("type") or "").strip().lower() == "file"


def _choose_file(target, element, value, remaining_ms):
    """*type PATH into* a file field: the tester means choosing that file, which no typing does."""
    path = os.path.abspath(os.path.expanduser(value or ""))
    if not (value or "").strip() or not os.path.isfile(path):
        what = "is a folder" if os.path.isdir(path) else "does not exist"
        raise Problem(
            f"cannot choose {value!r} in {describe(element)}: {path} {what}; give the path of a file, "
            f"absolute or relative to {os.getcwd()}",
            retry=False,
        )
    target.set_input_files(path, timeout=remaining_ms)


def _select(page, target, element, value, remaining_ms, seen_state=None, direct=True):
    """*select* as a person picks: a native select's option; otherwise open the widget (a
    combobox, a button that opens a list, the visible part of an enhanced select), wait for
    its options (they may come from the server), pick the one of that text."""
    deadline = time.monotonic() + remaining_ms / 1000
    how = target.evaluate(PICKER_JS)
    if "native" in how:
        _select_native(target, element, value, how["native"], remaining_ms)
        return
    if "open" in how and not how.get("expanded"):
        target.click(timeout=remaining_ms)
    option = _popup_option(page, target, value, min(_left_ms(deadline), OPEN_WAIT_MS))
    if option is None or isinstance(option, dict):
        # A list that shows what matches what one types: type the value, then look again.
        if "open" in how and _type_into_focus(page, target, value, remaining_ms):
            option = _popup_option(page, target, value, _left_ms(deadline))
    if option is None or isinstance(option, dict):
        labels = (option or {}).get("labels") or []
        if not labels:
            raise Problem(f"{describe(element)} showed no options to pick {value!r} from")
        raise Problem(
            f"{describe(element)} has no option {value!r}",
            candidates=[repr(label) for label in labels],
            title="its options",
        )
    try:
        option.click(timeout=max(1, _left_ms(deadline)))
    finally:
        option.dispose()


def _left_ms(deadline):
    return max(0, int((deadline - time.monotonic()) * 1000))


def _popup_option(page, target, value, wait_ms):
    """The option the widget shows for `value` (a handle), else {labels}, or None."""
    found = target.evaluate_handle(POPUP_OPTION_JS, {"value": value or "", "ms": wait_ms})
    option = found.as_element()
    if option is not None:
        return option
    try:
        answer = found.json_value()
    finally:
        found.dispose()
    return None if not isinstance(answer, dict) or answer.get("none") else answer


def _type_into_focus(page, target, value, remaining_ms):
    """Types the value into the field that took the focus when the widget opened (its own
    input, or the search field of its pop-up); False when none did."""
    focused = (target.owner_frame() or page).locator("*:focus")
    if focused.count() == 0 or not focused.first.is_editable():
        return False
    focused.first.fill(value or "", timeout=remaining_ms)
    return True


def _select_native(target, element, value, native, remaining_ms):
    found = target.evaluate(FIND_OPTION_JS, value or "")
    if found["index"] < 0:
        raise Problem(
            f"{describe(element)} has no option {value!r}",
            candidates=[repr(label) for label in found["labels"]],
            title="its options",
        )
    if not native["shown"]:
        # Hidden with no widget over it that the page model knows: set as its widget
        # would, with the events the page listens for.
        target.evaluate(SET_HIDDEN_SELECT_JS, found["index"])
        return
    # A list box takes one pick per step, adding to what is picked already.
    index = sorted({*native["selected"], found["index"]}) if native["multiple"] else found["index"]
    target.select_option(index=index, timeout=remaining_ms)


class NotOpened(Exception):
    """An address whose page did not arrive within the step's timeout; says why."""


def goto(page, address, step_timeout_ms):
    """Opens an address within the step's timeout (NAVIGATION_FLOOR_MS at least). A page whose subresources never finish
    loading is used as it is once its document is there. Answers the visit's notes (loading
    cut short, an error status) as one text, or None; raises NotOpened when the document did
    not arrive in time."""
    timeout_ms = max(NAVIGATION_FLOOR_MS, int(step_timeout_ms))
    started = time.monotonic()
    answers = []

    def answered(response):
        if response.request.is_navigation_request() and response.frame == page.main_frame:
            answers.append(response.status)

    page.on("response", answered)
    try:
        response = page.goto(address, wait_until="domcontentloaded", timeout=timeout_ms)
    except Exception as error:
        if type(error).__name__ != "TimeoutError":
            raise
        raise NotOpened(_not_arrived(answers, timeout_ms)) from None
    finally:
        page.remove_listener("response", answered)
    notes = []
    if response is not None and response.status >= 400:
        # The page is there and steps may go on with it, but a check should know why.
        reason = response.status_text or _status_phrase(response.status)
        notes.append(f"the server answered HTTP {response.status} {reason}".rstrip())
    wait_ms = min(timeout_ms, LOAD_WAIT_CAP_MS)
    try:
        left_ms = wait_ms - int((time.monotonic() - started) * 1000)
        page.wait_for_load_state("load", timeout=max(1, left_ms))
    except Exception:
        notes.append(f"the page had not finished loading after {wait_ms} ms; went on with what had loaded")
    return "; ".join(notes) or None


def _not_arrived(statuses, timeout_ms):
    what_to_do = (
        "check that the server is running, or raise STEP_TIMEOUT_MS (KELVO_STEP_TIMEOUT_MS) when the page is only slow"
    )
    if statuses:
        return (
            f"the server answered (HTTP {statuses[-1]}) but did not finish sending the page within "
            f"{timeout_ms} ms; {what_to_do}"
        )
    return f"the server did not answer within {timeout_ms} ms; {what_to_do}"


def _status_phrase(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return ""


def navigate(page, address, step_timeout_ms):
    try:
        note = goto(page, address, step_timeout_ms)
    except Exception as error:
        raise Problem(f"could not open {address}: {error_reason(error)}", retry=False) from None
    return done(url=page.url, **({"message": note} if note else {}))


def wait(page, target):
    problem = wait_problem(target)
    if problem:
        raise Problem(problem, retry=False)
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


# The one table of the actions the shell performs on an element, by the names records carry:
# Playwright's calls for each; what the step aims at was decided in the core.
ACTS = {"click": _click, "hover": _hover, "type": _type, "select": _select}
