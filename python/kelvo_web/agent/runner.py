"""Running steps: the agent's page, one step record per step, auto-waiting and dispatch."""

from __future__ import annotations

import base64
import contextlib
import logging
import os
import time
from typing import TYPE_CHECKING, Any, Sequence
from urllib.parse import urljoin

from kelvo_web import browser
from kelvo_web.agent import acting, checking, finding, settling
from kelvo_web.agent.dialogs import DialogKeeper, DialogRefused
from kelvo_web.agent.messages import ambiguity_note, closest_names, describe, failure_message, strict_problem
from kelvo_web.agent.outcome import Problem, StepFailure, done, first_line
from kelvo_web.agent.reading import read_text
from kelvo_web.agent.steps import malformed_steps, split_steps, text_problem
from kelvo_web.agent.watchdog import Watchdog
from kelvo_web.engine import settings
from kelvo_web.harness import live_agents
from kelvo_web.page_scripts import script

# One line a step: pytest's -o log_cli=true and a project's own logging show them.
log = logging.getLogger("kelvo_web")

RETRY_PAUSE_S = 0.1
_OUTLINE_JS = script("outline")  # draws or removes the outline of the element a failed step found
NAVIGATION_TIMEOUT_MS = 30000  # loading a page may take longer than a step may wait


if TYPE_CHECKING:
    from playwright.sync_api import Page


class WebAgent:
    """Runs plain-English steps against one page of its own (a fresh browser context), or
    against a Playwright `page` the caller already has (pytest-playwright's, say).

    `url` is the start address (relative *navigate* steps resolve against it); a given page is
    taken there on first use only while it is still blank, so a test that already navigated keeps
    its place. With `screenshots` on, a failed step carries a PNG screenshot. With `strict` on
(default: the STRICT setting), a step whose words name several elements alike fails instead
of taking the first; either way the step says how many it saw. `close()` closes the
    agent's own page; a given page stays open for its owner.
    """

    def __init__(
        self,
        url: str | None = None,
        screenshots: bool = False,
        page: Page | None = None,
        strict: bool | None = None,
    ) -> None:
        self.url = url
        self.screenshots = screenshots
        self._steps = []
        options = settings.browser_options()
        self.step_timeout_ms = options["STEP_TIMEOUT_MS"]
        # Each step a named group of the trace, when one is recorded (KELVO_TRACE, or the
        # plug-in's word that pytest-playwright records one).
        self.trace_steps = os.environ.get("KELVO_TRACE", "").strip().lower() in ("on", "retain-on-failure")
        # Strict: a step whose words name several elements alike fails instead of taking one.
        self.strict = options["STRICT"] if strict is None else bool(strict)
        self._page = None
        self._closed = False
        self._opened_tabs = []
        self._openers = []  # the pages the agent left for the tabs they opened, oldest first
        self._notes = []  # what the next step ends telling beyond its result (a tab closed, a status)
        self._dialogs = DialogKeeper()
        self._reading = None
        self._wants_extras = False  # the step being run reads the ladder's extras with its harvest
        self._narrow = None  # the step's narrowing while it reads by one (finding.narrowing)
        self._watchdog = None  # the current page's
        self._traffic = None  # the current page's requests in flight
        self._given_page = page
        # Values no record, message, log line or snapshot may show (a step file's secrets).
        self._secrets = ()
        if page is not None and not callable(getattr(page, "goto", None)):
            raise TypeError(f"page must be a Playwright Page, not {type(page).__name__}")
        live_agents.track(self)  # the test runner reports and closes every agent of a test

    # -- the browser page, opened on first use ------------------------------------------

    @property
    def page(self) -> Page:
        """The Playwright page of this agent, opened (at `url`) on first use."""
        if self._closed:
            raise RuntimeError("this WebAgent is closed; make a new one to run more steps")
        if self._page is None:
            given = self._given_page
            self._use_page(given if given is not None else browser.new_page())
            if self.url and (given is None or self._page.url == "about:blank"):
                note = acting.goto(self._page, self.url, self.step_timeout_ms)
                if note:
                    self._notes.append(f"the start address {self.url}: {note}")
        return self._page

    def _use_page(self, page):
        self._dialogs.attach(page)
        self._traffic = settling.Traffic(page)
        self._watchdog = Watchdog(page, self._dialogs)
        page.set_default_timeout(self.step_timeout_ms)
        page.set_default_navigation_timeout(max(self.step_timeout_ms, NAVIGATION_TIMEOUT_MS))
        # A link or script opening a tab: testers expect the next step to be there.
        page.on("popup", lambda tab: self._opened_tabs.append(tab))
        self._page = page

    def _follow_new_tab(self):
        """Moves to the page a step belongs on: back to the opener of a tab that closed itself
        (a sign-in window, its work done), then to the newest tab opened since the last step.
        The new tab's address, or None."""
        self._back_to_opener()
        tabs, self._opened_tabs = [t for t in self._opened_tabs if not t.is_closed()], []
        if not tabs or self._page is None:
            return None
        self._openers.append(self._page)
        self._use_page(tabs[-1])
        try:
            self._page.wait_for_load_state("domcontentloaded", timeout=self.step_timeout_ms)
        except Exception:
            pass  # still loading: the step's own waiting covers it
        return self._page.url

    def _back_to_opener(self):
        """From a tab that closed itself to the newest open page of those it was opened from."""
        page = self._page
        if page is None or not self._openers or not page.is_closed():
            return
        while self._openers:
            opener = self._openers.pop()
            if not opener.is_closed():
                self._page = opener  # still has its listeners and settings
                self._reading = None
                note = f"the tab {page.url} closed itself; went back to the tab that opened it, {opener.url}"
                self._notes.append(note)
                return

    def _opener_left(self):
        return any(not opener.is_closed() for opener in self._openers)

    def _page_gone(self):
        """Why the agent's page can take no more steps (its browser died, it was closed), or None."""
        page = self._page
        if page is None:
            return None
        try:
            browser = page.context.browser
            if browser is not None and not browser.is_connected():
                return (
                    "the browser closed (it crashed or was killed); the steps after it in this "
                    "test cannot run, and the next test starts a new browser"
                )
            gone = self._watchdog.gone() if self._watchdog is not None else None
            if gone:
                return gone
            if page.is_closed() and not self._opener_left():  # else the step goes back there
                return "the page was closed; make a new WebAgent to run more steps"
        except Exception as error:
            return f"the browser cannot be reached: {first_line(error)}"
        return None

    def _open_page(self):
        gone = self._page_gone()
        if gone:
            raise Problem(gone, retry=False)
        try:
            return self.page
        except Exception as error:
            raise Problem(f"could not open the start address {self.url}: {first_line(error)}", retry=False) from None

    def __enter__(self) -> WebAgent:
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def close(self) -> None:
        self._closed = True
        if self._page is not None:
            page, self._page = self._page, None
            try:
                if self._given_page is not None:
                    for used in [page, *self._openers]:
                        self._dialogs.detach(used)  # the pages are their owner's again
                    if self._watchdog is not None:
                        self._watchdog.detach()
                    return
                page.context.close()
            except Exception:
                pass  # the browser went away first (closed at exit or disconnected)

    # -- running steps -------------------------------------------------------------------

    def run(self, instruction: str, timeout: int | None = None) -> dict[str, Any]:
        """Run one step; return its result record, or raise StepFailure when it fails.

        `timeout`: this step's timeout in milliseconds, instead of the agent's `step_timeout_ms`
        (a slow search, a report that takes a minute)."""
        __tracebackhide__ = True  # pytest shows the test's line, not the agent's own frames
        if timeout is None:
            return self._grouped(instruction)
        if isinstance(timeout, bool) or not isinstance(timeout, int):
            raise TypeError(f"timeout must be a whole number of milliseconds, not {type(timeout).__name__}")
        settings.step_timeout("timeout", timeout)  # the setting's range
        kept, self.step_timeout_ms = self.step_timeout_ms, timeout
        try:
            return self._grouped(instruction)
        finally:
            self.step_timeout_ms = kept

    def _grouped(self, instruction):
        """The step, as one group of a trace being recorded, named by the step: the trace
        viewer then shows steps, not the page calls they make."""
        __tracebackhide__ = True
        tracing = None
        if self.trace_steps and not self._closed and isinstance(instruction, str):
            try:
                tracing = self.page.context.tracing
                tracing.group(self._masked(instruction))
            except Exception:
                tracing = None  # no page to trace: the step will say why
        try:
            return self._masking(instruction)
        finally:
            if tracing is not None:
                try:
                    tracing.group_end()
                except Exception:
                    pass  # the step closed its page

    def _masking(self, instruction):
        __tracebackhide__ = True
        if not self._secrets:
            return self._run(instruction)
        started = time.time()
        try:
            return self._run(instruction)
        except StepFailure as failure:
            raise StepFailure(self._masked(str(failure)), failure.step, failure.result) from None
        finally:
            if self._steps:
                _mask_record(self._steps[-1], self._masked)
            if settings.SAVE_SNAPSHOTS:
                _mask_snapshots(started, self._secrets)

    def _masked(self, text):
        if not isinstance(text, str):
            return text
        for secret in self._secrets:
            text = text.replace(secret, SECRET_SHOWN)
        return text

    def _run(self, instruction):
        __tracebackhide__ = True
        if not isinstance(instruction, str):
            raise TypeError(f"instruction must be str, not {type(instruction).__name__}")
        if self._closed:
            raise RuntimeError("this WebAgent is closed; make a new one to run more steps")
        step = {"status": "passed", "instruction": instruction, "started": time.time()}
        self._steps.append(step)
        clock = time.perf_counter()
        parsed = None
        try:
            self._follow_new_tab()  # a tab opened late by the step before
            parsed, plan, aim, extras, narrow = self._parse(instruction)
            self._wants_extras = extras
            # Read only what the step's words may name, until a reading shows that is not enough.
            self._narrow = finding.narrowing(narrow)
            result = self._perform(parsed, plan, aim)
            followed = self._follow_new_tab()
            notes, self._notes = self._notes, []
            notes = [result.get("message"), *notes, followed and f"followed the new tab {followed}"]
            if any(notes[1:]):
                result = dict(result, message="; ".join(note for note in notes if note))
        except Problem as problem:
            notes, self._notes = self._notes, []
            if notes:  # where the step ran, which may explain why it failed
                problem.problem = "; ".join([problem.problem, *notes])
            shown = _shown_step(instruction, parsed, (problem.result or {}).get("element"))
            step["instruction"] = shown
            message = failure_message(
                shown, problem.problem, problem.expected, problem.actual, problem.candidates, problem.title
            )
            self._record_failure(step, message, (problem.result or {}).get("element"), clock)
            log.warning("failed: %s (%.0f ms): %s", _loggable(self._masked(shown)), step["duration"] * 1000,
                        _loggable(self._masked(problem.problem)))
            raise StepFailure(message, step, problem.result) from None
        except Exception as error:
            gone = self._page_gone()
            if gone:
                message = failure_message(instruction, gone)
                self._record_failure(step, message, None, clock)
                raise StepFailure(message, step) from None
            # Not the page's answer but a fault (engine error): the step still shows as
            # failed in the report, and the error keeps its own type.
            self._record_failure(
                step, failure_message(instruction, f"{type(error).__name__}: {first_line(error)}"), None, clock
            )
            raise
        except BaseException as error:
            # Ctrl-C or a test timeout inside a step: the step did not pass.
            self._record_failure(
                step, failure_message(instruction, f"interrupted ({type(error).__name__})"), None, clock
            )
            raise
        step["duration"] = time.perf_counter() - clock
        step["instruction"] = _shown_step(instruction, parsed, result.get("element"))
        if result.get("element"):
            step["element"] = _acted_on(result["element"])
        if result.get("resolved_by"):
            step["resolved_by"] = result["resolved_by"]
        if result.get("message"):
            step["message"] = result["message"]
        if "extracted" in result:
            step["message"] = f"extracted {result['extracted']!r}"
        said = f": {step['message']}" if step.get("message") else ""
        shown = self._masked(step["instruction"])
        log.info("passed: %s (%.0f ms)%s", _loggable(shown), step["duration"] * 1000, _loggable(self._masked(said)))
        return result

    def run_all(self, steps: str | Sequence[str]) -> list[dict[str, Any]]:
        """Run steps given as a list, or as one text with one step per line.

        Blank lines and lines starting with # are skipped. Every step is checked before
        any runs, and all malformed steps are reported together.
        """
        __tracebackhide__ = True
        instructions = split_steps(steps)
        problems = malformed_steps(instructions)
        if problems:
            lines = [f"{len(problems)} of {len(instructions)} steps are malformed; nothing was run:"]
            for number, messages in problems.items():
                lines.append(f"  step {number}: {instructions[number - 1]!r}")
                lines.extend(f"    - {message}" for message in messages)
            message = self._masked("\n".join(lines))
            step = {"status": "failed", "instruction": f"check {len(instructions)} steps", "message": message}
            self._steps.append(step)
            raise StepFailure(message, step)
        return [self.run(instruction) for instruction in instructions]

    def phrases(self) -> Any:
        """Every control and text a step can reach on the page as it is now, each with the
        shortest step the engine resolves back to it (see `kelvo_web.agent.phrases`)."""
        from kelvo_web.agent import phrases

        return phrases.phrases(self._open_page())

    def _parse(self, instruction):
        problem = text_problem(instruction)
        if problem:
            raise Problem(problem, retry=False)
        try:
            return finding.read_step(instruction)
        except ValueError as error:
            raise Problem(str(error), retry=False) from None

    def _record_failure(self, step, message, element=None, clock=None):
        if clock is not None:
            step["duration"] = time.perf_counter() - clock
        step["status"] = "failed"
        step["message"] = message
        if element:
            step["element"] = _acted_on(element)
        if self.screenshots and self._page is not None:
            shot = self._screenshot(element)
            if shot:
                step["screenshot"] = shot

    def _picture_failed_test(self, message):
        """A test that failed after its last step passed (a plain assert): with screenshots on,
        the page as it was then, as one more failed record after the steps."""
        if not self.screenshots or self._page is None or self._closed:
            return
        if self._steps and self._steps[-1].get("status") == "failed":
            return  # the failed step carries its own picture
        shot = self._screenshot()
        if not shot:
            return
        self._steps.append({
            "status": "failed",
            "instruction": "the page as the test failed",
            "started": time.time(),
            "duration": 0.0,
            "message": self._masked(message),
            "screenshot": shot,
        })

    def _screenshot(self, element=None):
        # The element the step found is outlined while the picture is taken.
        outlined = None
        if element and element.get("xpath"):
            try:
                if element.get("address"):
                    outlined = acting.element_handle(self._page, element)  # in a frame or shadow root
                    outlined.evaluate(_OUTLINE_JS, True)
                else:
                    outlined = self._page.locator("xpath=" + element["xpath"]).first
                    outlined.evaluate(_OUTLINE_JS, True, timeout=1000)
            except Exception:
                outlined = None
        try:
            png = self._page.screenshot(timeout=5000)
        except Exception:
            return None
        finally:
            if outlined is not None:
                try:
                    if element.get("address"):
                        outlined.evaluate(_OUTLINE_JS, False)
                        outlined.dispose()
                    else:
                        outlined.evaluate(_OUTLINE_JS, False, timeout=1000)
                except Exception:
                    pass
        return base64.b64encode(png).decode("ascii")

    # -- auto-waiting --------------------------------------------------------------------

    def _watched(self, deadline):
        """A context in which the page's scripts cannot hold a browser call past `deadline`."""
        if self._watchdog is None or self._page is None:
            return contextlib.nullcontext()
        return self._watchdog.watching(deadline, self.step_timeout_ms)

    def _retrying(self, attempt):
        """Run attempt(remaining_ms) until it succeeds, fails for good or time runs out."""
        deadline = time.monotonic() + self.step_timeout_ms / 1000
        self._reading = None  # the step's last reading of the page, reused while it is current
        with self._watched(deadline) as watch:
            return self._attempts(attempt, deadline, watch)

    def _attempts(self, attempt, deadline, watch):
        probed = False
        while True:
            # A tab the step before opened may announce itself only now; the step belongs there.
            self._follow_new_tab()
            remaining_ms = max(1, int((deadline - time.monotonic()) * 1000))
            try:
                return attempt(remaining_ms)
            except Problem as problem:
                if watch is not None and watch.stops:
                    raise  # the watchdog's own account replaces whatever the stopped call said
                gone = self._page_gone()
                if gone:
                    raise Problem(gone, retry=False) from None  # no later attempt can do better
                if not problem.retry or time.monotonic() + RETRY_PAUSE_S >= deadline:
                    if problem.retry and not problem.timed:
                        # Time ran out on a step that kept trying: say how long it waited.
                        problem.problem += f"; waited {self.step_timeout_ms} ms (the step's timeout)"
                        problem.timed = True
                    raise
                if not probed and self._page is not None:
                    # Once a step: a page that broke the driver's own scripts (which may show
                    # only where a script takes an argument) fails every attempt alike.
                    probed = True
                    replaced = finding.replaced_built_ins(self._page)
                    if replaced:
                        raise Problem(finding.driver_broken_message(replaced), retry=False) from None
            time.sleep(RETRY_PAUSE_S)

    # -- dispatch ------------------------------------------------------------------------

    def _perform(self, parsed, plan, aim):
        """Carry out a step the core has read; `aim` is the one word of it the shell needs."""
        if aim in ("accept", "dismiss"):
            try:
                decided = self._dialogs.decide(aim)
            except DialogRefused as refused:
                raise Problem(str(refused), retry=False) from None
            return done(dialog=decided)
        if aim == "dialog":
            return self._retrying(lambda remaining: checking.check_dialog(self._dialogs, parsed["value"]))
        self._dialogs.new_step()
        self._open_page()
        if aim == "navigate":
            return self._navigate(parsed["target"])
        if aim == "wait":
            return acting.wait(self.page, parsed["target"])
        if aim in ("press", "keys"):
            # A key handler that never returns holds the press, which has no timeout of its own.
            with self._watched(time.monotonic() + self.step_timeout_ms / 1000):
                return acting.press_keys(self.page, parsed["target"], press_only=aim == "press")
        if aim != "text":
            if not (parsed["target"] or "").strip():
                raise Problem("the step names no element to act on", retry=False)
            return self._retrying(lambda remaining: self._element_step(parsed, plan, aim, remaining))
        if not (parsed["target"] or "").strip():
            raise Problem("the step names no text to look for", retry=False)
        return self._retrying(lambda remaining: self._text_step(parsed, plan))

    def resolve(self, parsed, dom_elements, text_elements):
        """The element a parsed step aims at on one harvest, with the route that found it:
        the core's decision, as a step takes it."""
        reading = finding.Harvest(dom_elements, text_elements, [])
        decision = finding.decide(self.page, finding.engine().plan(parsed), reading)
        return decision["result"], decision["resolved_by"]

    def _read_page(self):
        self._reading = finding.harvest(self.page, self._reading, self._wants_extras, self._narrow)
        return self._reading[:3]

    def _decide(self, plan):
        """The decision on this attempt's reading; a narrowed one that cannot prove its answer is
        read again whole, and the step's later attempts read the whole page from the start."""
        decision = finding.decide(self.page, plan, self._reading)
        if decision is None and self._reading.narrow is not None:
            self._narrow = None
            self._read_page()
            decision = finding.decide(self.page, plan, self._reading)
        return decision

    def _element_step(self, parsed, plan, aim, remaining_ms):
        self._read_page()
        decision = self._decide(plan)
        dom_elements, text_elements, notes = self._reading[:3]
        result, route = decision["result"], decision["resolved_by"]
        target = parsed["target"]
        if not result["resolved"]:
            raise finding.with_notes(
                Problem(
                    f"no element matches {target!r}",
                    candidates=lambda: closest_names(target, [*dom_elements, *text_elements]),
                    title="similar on the page",
                    result=result,
                ),
                notes,
            )
        result = dict(result, resolved_by=route)
        twins = decision.get("ambiguity")
        if twins:
            candidates = result.get("candidates") or []
            if self.strict:
                raise Problem(
                    strict_problem(target, twins, candidates),
                    candidates=[describe(candidates[i]) for i in twins["among"] if i < len(candidates)],
                    title="the elements it names",
                    retry=False,
                    result=result,
                )
            note = ambiguity_note(target, twins, candidates)
            if note not in self._notes:  # once, whatever the attempts
                self._notes.append(note)
        if aim == "check":
            return checking.check_state(decision["verdict"], result)
        if aim == "read":
            return dict(result, extracted=read_text(self.page, result["element"]))
        seen_state = self._reading.state if self._reading is not None else None
        acted_at = time.monotonic()
        acted = acting.act_or_next(
            self.page,
            parsed["action"],
            result,
            parsed.get("value"),
            remaining_ms,
            text_elements,
            seen_state,
            decision.get("seen"),
        )
        settling.settle(self.page, self._traffic, acted_at, remaining_ms)
        return acted

    def _text_step(self, parsed, plan):
        self._read_page()
        decision = self._decide(plan)
        dom_elements, text_elements, notes = self._reading[:3]
        result = decision["result"]
        try:
            return checking.check_text(parsed, decision, text_elements)
        except Problem as problem:
            raise (problem if result.get("resolved") else finding.with_notes(problem, notes)) from None

    def _navigate(self, target):
        base = self.url or (self._page.url if self._page is not None else "")
        try:
            address = urljoin(base, target) if base and base != "about:blank" else target
        except ValueError as error:
            raise Problem(f"cannot read the address {target!r}: {error}", retry=False) from None
        page = self.page
        leaving = page.url
        try:
            return acting.navigate(page, address, self.step_timeout_ms)
        except Problem:
            if not self._dialogs.leaving_refused:
                raise
        raise Problem(
            f"could not open {address}: the page {leaving} asked to confirm leaving it (a beforeunload "
            "prompt), and the prompt was dismissed since no step had decided it; write 'accept dialog' "
            "before this step to leave the page",
            retry=False,
        )


SECRET_SHOWN = "********"  # a typed secret as the record, the report and the console show it
_SECRET_AUTOCOMPLETE = {"current-password", "new-password", "one-time-code"}


def _shown_step(instruction, parsed, element):
    """The step as records show it: the text typed into a password field masked, its length
    too, so the report, the console and the log never carry it."""
    if not parsed or parsed.get("action") != "type" or not element or not parsed.get("value"):
        return instruction
    attributes = element.get("attributes") or {}
    secret = str(attributes.get("type") or "").strip().lower() == "password" or (
        str(attributes.get("autocomplete") or "").strip().lower() in _SECRET_AUTOCOMPLETE
    )
    if not secret:
        return instruction
    verb, space, rest = instruction.partition(" ")
    return verb + space + rest.replace(parsed["value"], SECRET_SHOWN, 1)


def _mask_record(step, masked):
    """The step record as it may be shown: every secret value in its texts masked."""
    for key in ("instruction", "message"):
        if isinstance(step.get(key), str):
            step[key] = masked(step[key])
    element = step.get("element")
    if isinstance(element, dict) and isinstance(element.get("text"), str):
        element["text"] = masked(element["text"])


def _mask_snapshots(since, secrets):
    """Mask the secrets in the snapshots written since `since`: a field typed into holds them."""
    import json

    try:
        folder = os.fspath(settings.LOG_PATH)
        names = os.listdir(folder)
    except (OSError, TypeError):
        return
    forms = []
    for secret in secrets:
        forms.append(secret)
        forms.append(json.dumps(secret)[1:-1])  # as the JSON writer escapes it
    forms = sorted(set(forms), key=len, reverse=True)
    for name in names:
        path = os.path.join(folder, name)
        try:
            if not name.endswith(".json") or os.path.getmtime(path) < since - 1:
                continue
            with open(path, encoding="utf-8") as handle:
                text = handle.read()
            shown = text
            for form in forms:
                shown = shown.replace(form, SECRET_SHOWN)
            if shown != text:
                with open(path, "w", encoding="utf-8") as handle:
                    handle.write(shown)
        except (OSError, UnicodeDecodeError):
            continue


def _loggable(text):
    """The text as a log file can take it: a lone surrogate (a step may hold one) as an escape."""
    return str(text).encode("utf-8", "backslashreplace").decode("utf-8")


def _acted_on(element):
    """What the report shows of the element a step acted on."""
    attributes = element.get("attributes") or {}
    text = " ".join(str(element.get("text") or attributes.get("_label") or "").split())
    return {
        "tag": element.get("tag") or "",
        "text": text[:80] + ("\u2026" if len(text) > 80 else ""),
        "role": attributes.get("role") or "",
    }
