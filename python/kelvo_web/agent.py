"""The agent a test drives: plain-English steps on one browser page, each step recorded."""

import atexit
import base64
import functools
import time
from types import SimpleNamespace
from urllib.parse import urljoin

from kelvo_web import browser, ladder
from kelvo_web.dialogs import DialogKeeper, DialogRefused, dialog_matches
from kelvo_web.engine import settings
from kelvo_web.messages import closest_names, describe, failure_message
from kelvo_web.routing import SPATIAL, TEXT, resolver_order
from kelvo_web.steps import malformed_steps, split_steps

RETRY_PAUSE_S = 0.1
NAVIGATION_TIMEOUT_MS = 30000  # loading a page may take longer than a step may wait
NOT_FOUND = {"resolved": False, "confidence": 0.0, "element": None, "candidates": []}

# What each element check asks of the element, and how a tester says it.
STATE_CHECKS = {
    "verify_present": ("present", "present"),
    "verify_visible": ("visible", "visible"),
    "verify_enabled": ("enabled", "enabled"),
    "verify_disabled": ("enabled", "disabled"),
}


class StepFailure(AssertionError):
    """A step that did not do what it says; the message names the step and what was close."""

    def __init__(self, message, step=None, result=None):
        super().__init__(message)
        self.step = step
        self.result = result


class _Problem(Exception):
    """Why an attempt at a step failed; `retry` when a later look at the page may differ."""

    def __init__(self, problem, expected=None, actual=None, candidates=(), title=None, retry=True, result=None):
        super().__init__(problem)
        self.problem = problem
        self.expected = expected
        self.actual = actual
        self.candidates = list(candidates)
        self.title = title
        self.retry = retry
        self.result = result


@functools.lru_cache(maxsize=None)
def _engine():
    # Imported on first use: building an agent costs nothing until a step runs.
    from kelvo_web.engine.agent.grammar import InstructionParser
    from kelvo_web.engine.browser.harvester import DOMParser
    from kelvo_web.engine.spatial.cartographer import MatrixBuilder
    from kelvo_web.engine.spatial.surveyor import MatrixResolver
    from kelvo_web.engine.strategies.matcher import DOMStrategy

    return SimpleNamespace(parser=InstructionParser(), harvester=DOMParser, builder=MatrixBuilder,
                           resolver=MatrixResolver, strategy=DOMStrategy())


# Let go of the engine's objects before the interpreter unloads the modules that made them.
atexit.register(_engine.cache_clear)


def _first_line(error):
    text = str(error).strip()
    return text.splitlines()[0] if text else type(error).__name__


def _done(**extra):
    return {"resolved": True, "confidence": 1.0, "element": None, **extra, "candidates": []}


class WebAgent:
    """Runs plain-English steps against one page of its own (a fresh browser context).

    `url` is the start address (relative *navigate* steps resolve against it); with
    `screenshots` on, a failed step carries a PNG screenshot.
    """

    def __init__(self, url=None, screenshots=False):
        self.url = url
        self.screenshots = screenshots
        self._steps = []
        self.step_timeout_ms = settings.browser_options()["STEP_TIMEOUT_MS"]
        self._page = None
        self._dialogs = DialogKeeper()

    # -- the browser page, opened on first use ------------------------------------------

    @property
    def page(self):
        """The Playwright page of this agent, opened (at `url`) on first use."""
        if self._page is None:
            page = browser.new_page()
            self._dialogs.attach(page)
            page.set_default_timeout(self.step_timeout_ms)
            page.set_default_navigation_timeout(max(self.step_timeout_ms, NAVIGATION_TIMEOUT_MS))
            self._page = page
            if self.url:
                page.goto(self.url)
        return self._page

    def _open_page(self):
        try:
            return self.page
        except Exception as error:
            raise _Problem(f"could not open the start address {self.url}: {_first_line(error)}",
                           retry=False) from None

    def close(self):
        if self._page is not None:
            page, self._page = self._page, None
            try:
                page.context.close()
            except Exception:
                pass  # the browser went away first (closed at exit or disconnected)

    # -- running steps -------------------------------------------------------------------

    def run(self, instruction):
        """Run one step; return its result record, or raise StepFailure when it fails."""
        if not isinstance(instruction, str):
            raise TypeError(f"instruction must be str, not {type(instruction).__name__}")
        step = {"status": "passed", "instruction": instruction}
        self._steps.append(step)
        try:
            parsed = self._parse(instruction)
            result = self._perform(parsed)
        except _Problem as problem:
            message = failure_message(instruction, problem.problem, problem.expected, problem.actual,
                                      problem.candidates, problem.title)
            self._record_failure(step, message)
            raise StepFailure(message, step, problem.result) from None
        except Exception as error:
            # Not the page's answer but a fault (browser gone, engine error): the step
            # still shows as failed in the report, and the error keeps its own type.
            self._record_failure(step, failure_message(instruction, f"{type(error).__name__}: {_first_line(error)}"))
            raise
        if result.get("resolved_by"):
            step["resolved_by"] = result["resolved_by"]
        if result.get("message"):
            step["message"] = result["message"]
        if "extracted" in result:
            step["message"] = f"extracted {result['extracted']!r}"
        return result

    def run_all(self, steps):
        """Run steps given as a list, or as one text with one step per line.

        Blank lines and lines starting with # are skipped. Every step is checked before
        any runs, and all malformed steps are reported together.
        """
        instructions = split_steps(steps)
        problems = malformed_steps(_engine().parser, instructions)
        if problems:
            lines = [f"{len(problems)} of {len(instructions)} steps are malformed; nothing was run:"]
            for number, messages in problems.items():
                lines.append(f"  step {number}: {instructions[number - 1]!r}")
                lines.extend(f"    - {message}" for message in messages)
            message = "\n".join(lines)
            step = {"status": "failed", "instruction": f"check {len(instructions)} steps", "message": message}
            self._steps.append(step)
            raise StepFailure(message, step)
        return [self.run(instruction) for instruction in instructions]

    def _parse(self, instruction):
        try:
            return _engine().parser.parse(instruction)
        except ValueError as error:
            raise _Problem(str(error), retry=False) from None

    def _record_failure(self, step, message):
        step["status"] = "failed"
        step["message"] = message
        if self.screenshots and self._page is not None:
            shot = self._screenshot()
            if shot:
                step["screenshot"] = shot

    def _screenshot(self):
        try:
            png = self._page.screenshot(timeout=5000)
        except Exception:
            return None
        return base64.b64encode(png).decode("ascii")

    # -- auto-waiting --------------------------------------------------------------------

    def _retrying(self, attempt):
        """Run attempt(remaining_ms) until it succeeds, fails for good or time runs out."""
        deadline = time.monotonic() + self.step_timeout_ms / 1000
        while True:
            remaining_ms = max(1, int((deadline - time.monotonic()) * 1000))
            try:
                return attempt(remaining_ms)
            except _Problem as problem:
                if not problem.retry or time.monotonic() + RETRY_PAUSE_S >= deadline:
                    raise
            time.sleep(RETRY_PAUSE_S)

    def _harvest(self):
        try:
            return _engine().harvester(self.page).extract_interactable_elements()
        except Exception as error:
            # Usually a navigation under way; the next attempt reads the new page.
            raise _Problem(f"the page could not be read: {_first_line(error)}") from None

    # -- dispatch ------------------------------------------------------------------------

    def _perform(self, parsed):
        action = parsed["action"]
        if action in ("accept_dialog", "dismiss_dialog"):
            try:
                decided = self._dialogs.decide("accept" if action == "accept_dialog" else "dismiss")
            except DialogRefused as refused:
                raise _Problem(str(refused), retry=False) from None
            return _done(dialog=decided)
        if action == "verify_dialog":
            return self._retrying(lambda remaining: self._check_dialog(parsed["value"]))
        self._dialogs.new_step()
        self._open_page()
        if action == "navigate":
            return self._navigate(parsed["target"])
        if action == "wait":
            return self._wait(parsed["target"])
        if action == "press_key":
            return self._keys(parsed["target"], press_only=True)
        if action == "sendkeys":
            return self._keys(parsed["target"], press_only=False)
        if resolver_order(action, parsed["target"]):
            if not (parsed["target"] or "").strip():
                raise _Problem("the step names no element to act on", retry=False)
            return self._retrying(lambda remaining: self._element_step(parsed, remaining))
        return self._retrying(lambda remaining: self._text_step(parsed))

    # -- steps on an element -------------------------------------------------------------

    def resolve(self, parsed, dom_elements, text_elements):
        """The element a parsed step aims at on one harvest, with the route that found it."""
        engine = _engine()
        guess = None
        extras = functools.lru_cache(maxsize=None)(lambda: ladder.read_extras(self.page))
        for route in resolver_order(parsed["action"], parsed["target"]):
            if route == SPATIAL:
                matrix = engine.builder(dom_elements, text_elements).build()
                result = engine.resolver(matrix).resolve(parsed)
            else:
                result = engine.strategy.resolve(parsed, dom_elements, text_elements)
            if result.get("resolved") and not ladder.rules_missed(parsed, result):
                better = ladder.rerank(parsed, result, dom_elements, text_elements, extras, spatial=route == SPATIAL)
                if better:
                    return better, better["resolved_by"]
                return result, route
            if result.get("resolved") and guess is None:
                guess = result, route  # of another kind than the tester named: kept as a last resort
        # Beyond the rules, at the cost of one more look at the page.
        spatial = lambda texts: engine.resolver(engine.builder(dom_elements, texts).build()).resolve(parsed)
        found = ladder.climb(parsed, dom_elements, text_elements, extras(), spatial)
        if found["resolved"]:
            return found, found["resolved_by"]
        return guess or (dict(NOT_FOUND), None)

    def _element_step(self, parsed, remaining_ms):
        dom_elements, text_elements = self._harvest()
        result, route = self.resolve(parsed, dom_elements, text_elements)
        target = parsed["target"]
        if not result["resolved"]:
            raise _Problem(f"no element matches {target!r}",
                           candidates=closest_names(target, list(dom_elements) + list(text_elements)),
                           title="similar on the page", result=result)
        result = dict(result, resolved_by=route)
        action = parsed["action"]
        if action in STATE_CHECKS:
            return self._check_state(parsed, result, route)
        if action == "extract_text":
            return dict(result, extracted=self._read_text(result["element"]))
        return self._act_or_next(action, result, parsed.get("value"), remaining_ms)

    def _act_or_next(self, action, result, value, remaining_ms):
        """Act on the chosen element; when it cannot take the action, on the next candidates."""
        chosen = result["element"]
        try:
            self._act(action, chosen, value, remaining_ms)
            return result
        except _Problem as problem:
            if not _refused(problem):
                raise
            refusal = problem
        candidates = result.get("candidates") or []
        failed = next((i for i, c in enumerate(candidates) if c is chosen), None)
        tried = [chosen]
        for candidate in ladder.retry_order(action, candidates, failed) if failed is not None else []:
            tried.append(candidate)
            try:
                self._act(action, candidate, value, remaining_ms)
            except _Problem as problem:
                if _refused(problem):
                    continue
                raise
            note = f"{describe(chosen)} cannot take the {action}; tried " + ", ".join(map(describe, tried))
            return dict(result, element=candidate, resolved_by="next-candidate", message=note)
        if len(tried) == 1:
            raise refusal
        raise _Problem(f"{refusal.problem}; no other candidate took it either", candidates=tried,
                       title="candidates tried", retry=False, result=result)

    def _check_state(self, parsed, result, route):
        flag, wanted = STATE_CHECKS[parsed["action"]]
        element = result["element"]
        if route == TEXT:
            verified = result.get("verified")
        else:
            verified = bool(element.get("is_" + flag, True if flag == "present" else False))
            if parsed["action"] == "verify_disabled":
                verified = not verified
        if verified:
            return result
        actual = _state_words(element)
        raise _Problem(f"{describe(element)} is not {wanted}", expected=wanted, actual=actual,
                       candidates=result.get("candidates", [])[1:], title="other matches", result=result)

    def _locator(self, element):
        return self.page.locator("xpath=" + element["xpath"])

    def _act(self, action, element, value, remaining_ms):
        locator = self._locator(element)
        try:
            if action == "click":
                # A custom checkbox or radio is drawn by its label over the real input.
                via_label = locator.evaluate(_LABEL_DRAWN_JS) if element.get("tag") == "input" else None
                (self.page.locator("xpath=" + via_label) if via_label else locator).click(timeout=remaining_ms)
            elif action == "hover":
                locator.hover(timeout=remaining_ms)
            elif action == "type":
                self._type(locator, element, value, remaining_ms)
            elif action == "select":
                self._select(locator, element, value, remaining_ms)
        except _Problem:
            raise
        except Exception as error:
            raise _Problem(f"{describe(element)} did not take the {action}: {_first_line(error)}") from None

    def _type(self, locator, element, value, remaining_ms):
        try:
            locator.fill(value, timeout=remaining_ms)
            return
        except Exception as error:
            if "Element is not" not in str(error):
                raise  # not yet attached, covered, disabled: worth another attempt
            if not element.get("is_editable_field"):
                raise _Problem(f"{describe(element)} cannot be typed into: {_first_line(error)}",
                               retry=False) from None
            first_error = error
        # An inline-edit widget that turns into a field when clicked: type into whatever
        # took the focus, but never report typing that landed nowhere.
        locator.click(timeout=remaining_ms)
        focused = self.page.locator("*:focus")
        if focused.count() == 0 or not focused.first.is_editable():
            raise _Problem(f"{describe(element)} cannot be typed into: {_first_line(first_error)}", retry=False)
        focused.first.fill(value, timeout=remaining_ms)

    def _select(self, locator, element, value, remaining_ms):
        found = locator.evaluate(_FIND_OPTION_JS, value or "")
        if found is None:
            raise _Problem(f"{describe(element)} is not a drop-down list (select)", retry=False)
        if found["index"] < 0:
            raise _Problem(f"{describe(element)} has no option {value!r}",
                           candidates=[repr(label) for label in found["labels"]],
                           title="its options")
        locator.select_option(index=found["index"], timeout=remaining_ms)

    def _read_text(self, element):
        if element.get("tag") in ("input", "textarea", "select"):
            try:
                return self._locator(element).input_value(timeout=1000)
            except Exception:
                pass
        return (element.get("text") or "").strip()

    # -- steps on page text --------------------------------------------------------------

    def _text_step(self, parsed):
        dom_elements, text_elements = self._harvest()
        result, route = _engine().strategy.resolve(parsed, dom_elements, text_elements), TEXT
        if ladder.rules_missed(parsed, result):
            found = ladder.climb(parsed, dom_elements, text_elements, ladder.read_extras(self.page))
            if found["resolved"]:
                result, route = found, found["resolved_by"]
        else:
            better = ladder.rerank(parsed, result, dom_elements, text_elements, lambda: ladder.read_extras(self.page))
            if better:
                result, route = better, better["resolved_by"]
        action, target = parsed["action"], parsed["target"]
        state = result.get("state") or {}
        if action == "find_exact_text":
            if not result["resolved"]:
                raise _Problem(f"no text on the page is exactly {target!r}", candidates=result["candidates"],
                               title="near misses", result=result)
        elif action in ("find_text", "verify_text_present", "verify_text_visible"):
            if not result["resolved"]:
                raise _Problem(f"text {target!r} is not on the page",
                               candidates=closest_names(target, text_elements), title="similar texts",
                               result=result)
            if action == "verify_text_visible" and not result.get("verified"):
                raise _Problem(f"text {target!r} is on the page but not visible", result=result)
        elif action in ("verify_spatial_text", "extract_text_spatial"):
            if not result["resolved"] and action == "extract_text_spatial":
                # Extraction answers without a reason; the same search as a check gives one.
                check = dict(parsed, action="verify_spatial_text", value="")
                state = _engine().strategy.resolve(check, dom_elements, text_elements).get("state") or {}
                if "actual" in state and not state["actual"].startswith("anchor "):
                    raise _Problem(f"nothing to read {target}: {state['actual']}", result=result)
            if not result["resolved"]:
                if "actual" not in state:
                    raise _Problem(f"{target!r} names no place: start it with right of, left of, "
                                   "next to, below, under or above, then the anchor text", retry=False)
                raise _Problem(state["actual"], result=result)
            if action == "verify_spatial_text" and not result.get("verified"):
                raise _Problem(f"the text {target} does not match", expected=state.get("expected"),
                               actual=state.get("actual"), candidates=result.get("candidates", [])[1:],
                               title="other texts in that direction", result=result)
        return dict(result, resolved_by=route)

    # -- steps without an element ----------------------------------------------------------

    def _check_dialog(self, expected):
        actual = self._dialogs.last_message
        if actual is None:
            raise _Problem("no dialog has opened", expected=expected)
        if not dialog_matches(expected, actual):
            raise _Problem("the last dialog says something else", expected=expected, actual=actual)
        return _done(state={"expected": expected, "actual": actual})

    def _navigate(self, target):
        base = self.url or (self._page.url if self._page is not None else "")
        address = urljoin(base, target) if base and base != "about:blank" else target
        try:
            self.page.goto(address)
        except Exception as error:
            raise _Problem(f"could not open {address}: {_first_line(error)}", retry=False) from None
        return _done(url=self.page.url)

    def _wait(self, target):
        if not target.isdigit() or not target.isascii():
            raise _Problem(f"wait needs a whole number of milliseconds, not {target!r}", retry=False)
        self.page.wait_for_timeout(int(target))
        return _done()

    def _keys(self, keys, press_only):
        try:
            self.page.keyboard.press(keys)
        except Exception as error:
            if press_only or "Unknown key" not in str(error):
                raise _Problem(f"cannot press {keys!r}: {_first_line(error)}", retry=False) from None
            # sendkeys also takes plain text: what is not a key name is typed as written.
            self.page.keyboard.type(keys)
        return _done()


def _refused(problem):
    """Whether the element itself cannot take the action (not editable, not a select, gone)."""
    return not problem.retry or "not attached" in problem.problem or "detached" in problem.problem


def _state_words(element):
    shown = "visible" if element.get("is_visible") else "hidden"
    usable = "enabled" if element.get("is_enabled") else "disabled"
    return f"present, {shown}, {usable}"


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
