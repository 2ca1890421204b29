"""Running steps: the agent's page, one step record per step, auto-waiting and dispatch."""

import base64
import time
from urllib.parse import urljoin

from kelvo_web import browser
from kelvo_web.agent import acting, checking, finding
from kelvo_web.agent.outcome import Problem, StepFailure, done, first_line
from kelvo_web.agent.reading import read_text
from kelvo_web.dialogs import DialogKeeper, DialogRefused
from kelvo_web.engine import settings
from kelvo_web.messages import closest_names, failure_message
from kelvo_web.steps import malformed_steps, split_steps

RETRY_PAUSE_S = 0.1
NAVIGATION_TIMEOUT_MS = 30000  # loading a page may take longer than a step may wait


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
            raise Problem(f"could not open the start address {self.url}: {first_line(error)}",
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
        except Problem as problem:
            message = failure_message(instruction, problem.problem, problem.expected, problem.actual,
                                      problem.candidates, problem.title)
            self._record_failure(step, message)
            raise StepFailure(message, step, problem.result) from None
        except Exception as error:
            # Not the page's answer but a fault (browser gone, engine error): the step
            # still shows as failed in the report, and the error keeps its own type.
            self._record_failure(step, failure_message(instruction, f"{type(error).__name__}: {first_line(error)}"))
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
        problems = malformed_steps(finding.engine().parser, instructions)
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
            return finding.engine().parser.parse(instruction)
        except ValueError as error:
            raise Problem(str(error), retry=False) from None

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
            except Problem as problem:
                if not problem.retry or time.monotonic() + RETRY_PAUSE_S >= deadline:
                    raise
            time.sleep(RETRY_PAUSE_S)

    # -- dispatch ------------------------------------------------------------------------

    def _perform(self, parsed):
        action = parsed["action"]
        if action in ("accept_dialog", "dismiss_dialog"):
            try:
                decided = self._dialogs.decide("accept" if action == "accept_dialog" else "dismiss")
            except DialogRefused as refused:
                raise Problem(str(refused), retry=False) from None
            return done(dialog=decided)
        if action == "verify_dialog":
            return self._retrying(lambda remaining: checking.check_dialog(self._dialogs, parsed["value"]))
        self._dialogs.new_step()
        self._open_page()
        if action == "navigate":
            return self._navigate(parsed["target"])
        if action == "wait":
            return acting.wait(self.page, parsed["target"])
        if action == "press_key":
            return acting.press_keys(self.page, parsed["target"], press_only=True)
        if action == "sendkeys":
            return acting.press_keys(self.page, parsed["target"], press_only=False)
        if finding.aims_at_element(parsed):
            if not (parsed["target"] or "").strip():
                raise Problem("the step names no element to act on", retry=False)
            return self._retrying(lambda remaining: self._element_step(parsed, remaining))
        return self._retrying(lambda remaining: self._text_step(parsed))

    def resolve(self, parsed, dom_elements, text_elements):
        """The element a parsed step aims at on one harvest, with the route that found it."""
        return finding.find_element(self.page, parsed, dom_elements, text_elements)

    def _element_step(self, parsed, remaining_ms):
        dom_elements, text_elements = finding.harvest(self.page)
        result, route = self.resolve(parsed, dom_elements, text_elements)
        target = parsed["target"]
        if not result["resolved"]:
            raise Problem(f"no element matches {target!r}",
                          candidates=closest_names(target, list(dom_elements) + list(text_elements)),
                          title="similar on the page", result=result)
        result = dict(result, resolved_by=route)
        action = parsed["action"]
        if action in checking.STATE_CHECKS:
            return checking.check_state(parsed, result, route)
        if action == "extract_text":
            return dict(result, extracted=read_text(self.page, result["element"]))
        return acting.act_or_next(self.page, action, result, parsed.get("value"), remaining_ms)

    def _text_step(self, parsed):
        dom_elements, text_elements = finding.harvest(self.page)
        result, route = finding.find_text(self.page, parsed, dom_elements, text_elements)
        return checking.check_text(parsed, result, route, dom_elements, text_elements)

    def _navigate(self, target):
        base = self.url or (self._page.url if self._page is not None else "")
        address = urljoin(base, target) if base and base != "about:blank" else target
        return acting.navigate(self.page, address)
