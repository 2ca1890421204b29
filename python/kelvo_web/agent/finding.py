"""Reading the page for a step: the harvest, its reuse, the ladder's extras. What the step
aims at is decided in the core (`decide`), on the records the harvest keeps there."""

import atexit
import functools
import os
import time
import warnings
from collections.abc import Sequence
from types import SimpleNamespace
from typing import NamedTuple

from kelvo_web.agent.outcome import Problem, first_line
from kelvo_web.page_scripts import guarded


@functools.cache
def engine():
    # Imported on first use: building an agent costs nothing until a step runs.
    from kelvo_web.engine.agent.grammar import InstructionParser
    from kelvo_web.engine.browser.harvester import DOMParser

    from kelvo_web.engine.agent import _ladder

    return SimpleNamespace(
        parser=InstructionParser(),
        harvester=DOMParser,
        harvest=DOMParser._harvest,
        read_step=_ladder.read_step,
        plan=_ladder.StepPlan,
        # The ladder's extra reading: control names and kinds, inline and structural text. It
        # crosses as JSON text, read into native lists: on a page of thousands of controls,
        # the browser driver's own passing of objects takes seconds.
        extras_js=guarded("() => JSON.stringify((" + _ladder.EXTRAS_JS.rstrip(" \t\r\n;") + ")())"),
        native_lists=DOMParser._native_lists,
        # The same, asked in the harvest's own evaluation: the batch's text with them added.
        extras_in_harvest=guarded(
            "(batch, unused, guard, model) => batch.slice(0, -1) + ',\"also\":' + JSON.stringify(("
            + _ladder.EXTRAS_JS.rstrip(" \t\r\n;")
            + ")()) + '}'"
        ),
    )


# Let go of the engine's objects before the interpreter unloads the module that made them.
atexit.register(engine.cache_clear)


# A reading is reused only this long: a change no event tells of (a custom element
# upgraded late, a closed shadow root filled) is read within it all the same.
REUSE_S = 1.0


class Harvest(NamedTuple):
    """One reading of the page, with what it could not read (frames, closed shadow roots).

    The elements and texts are native lists: the records stay in the core, where every
    resolver reads them, and only an element a result names becomes a dict.
    """

    elements: Sequence[dict]
    texts: Sequence[dict]
    notes: list
    state: str | None = None  # the page's change state it was read at; None: never reused
    read_at: float = 0.0
    extras: dict | None = None  # the ladder's extras, when read in the same evaluation
    narrow: dict | None = None  # the step plan's narrowing it was read by; None: the whole page


def harvest(page, previous=None, extras=False, narrow=None):
    """A reading of the page: `previous` again while the page has not changed since it.
    `extras`: read the ladder's extras in the same evaluation (the step will want them).
    `narrow`: a step plan's narrowing, to read only what its words may name."""
    if previous is not None and previous.narrow == narrow and still_current(page, previous):
        return previous
    try:
        also = engine().extras_in_harvest if extras else None
        elements, texts, notes, state, also = _read_page(page, also, narrow)
        # Only the top document's changes are counted: a page with frames is read anew.
        if len(getattr(page, "frames", ())) > 1:
            state = None
        return Harvest(elements, texts, notes, state, time.monotonic(), also, narrow)
    except SnapshotWarning:
        raise  # warnings made errors (-W error): the tester asked for the warning to stop the run
    except Exception as error:
        raise unreadable(page, error) from None


def unreadable(page, error):
    """The Problem of a page that could not be read: usually a navigation under way, which
    the next attempt reads anew; a page that broke the browser driver, for good."""
    replaced = replaced_built_ins(page)
    if replaced:
        return Problem(driver_broken_message(replaced), retry=False)
    return Problem(f"the page could not be read: {first_line(error)}")


# Whether Playwright can still run a script in the page: an argument in, an object out.
_DRIVER_PROBE_JS = "(sent) => ({ echo: sent })"
_PROBE_ARG = [1]
_NAMES_SHOWN = 6


def replaced_built_ins(page):
    """The built-ins the page's own scripts replaced, when they keep the browser driver
    from running any script in the page (Playwright's own code there builds on Map,
    Function.prototype.bind, iterators...), else None: the failure was something else,
    such as a navigation. The page model is asked over a channel of the browser's own
    (Chromium's DevTools protocol), which needs none of the page's built-ins."""
    if _driver_runs(page):
        return None
    from kelvo_web.engine.browser.harvester import _harvest_plan, _model_scripts

    try:
        session = page.context.new_cdp_session(page)
    except Exception:
        return None  # not Chromium: nothing to ask
    try:
        expression = _model_scripts(_harvest_plan())["replaced"]
        answer = session.send("Runtime.evaluate", {"expression": expression, "returnByValue": True})
    except Exception:
        return None
    finally:
        try:
            session.detach()
        except Exception:
            pass
    value = (answer.get("result") or {}).get("value")
    if not isinstance(value, str) or not value:
        return None
    # Asked again: a probe that failed while a navigation was under way runs on the next
    # document, which may have replaced only what the driver does without.
    return None if _driver_runs(page) else value.split("\n")


def _driver_runs(page):
    try:
        return page.evaluate(_DRIVER_PROBE_JS, _PROBE_ARG) == {"echo": _PROBE_ARG}
    except Exception:
        return False


def driver_broken_message(replaced):
    shown = ", ".join(replaced[:_NAMES_SHOWN])
    if len(replaced) > _NAMES_SHOWN:
        shown += f" and {len(replaced) - _NAMES_SHOWN} more"
    return (
        f"the page's own scripts replaced built-ins ({shown}) that the browser driver (Playwright) "
        "needs to run its scripts in the page, so no step can read it; keep the page from "
        "replacing them (an old polyfill or a bundle assigning to them is the usual cause)"
    )


class SnapshotWarning(UserWarning):
    """Page snapshots could not be saved: the steps go on without them."""


# The LOG_PATH whose snapshots could not be saved: harvests write none while it is still the
# folder asked for, so the warning comes once and a changed LOG_PATH is tried afresh.
_unwritable_log_path = None


def narrowing(narrow):
    """The step's narrowing (read with it), unless snapshots are on: a snapshot is of the whole page."""
    from kelvo_web.engine import settings

    return None if settings.SAVE_SNAPSHOTS else narrow


def _read_page(page, also=None, narrow=None):
    # Snapshots are debugging data: their folder failing (full, missing, not a folder) must
    # not fail a step, so the page is read again without one and the steps go on.
    global _unwritable_log_path
    from kelvo_web.engine import settings

    log_path = _log_path(settings)
    read = engine().harvest
    if narrow is not None:
        return read(page, snapshot=False, also=also, narrow=narrow)
    if log_path is not None and log_path == _unwritable_log_path:
        return read(page, snapshot=False, also=also)
    try:
        return read(page, also=also)
    except OSError as error:
        failure = error
    _unwritable_log_path = log_path
    warnings.warn(
        SnapshotWarning(
            f"page snapshots could not be saved ({failure}); the steps go on without them while "
            f"LOG_PATH (KELVO_LOG_PATH) is {log_path!r}: point it at a folder that can be written "
            "and has room to keep them"
        ),
        stacklevel=1,  # once per folder whichever step meets it: the place named is the harvest
    )
    return read(page, snapshot=False, also=also)


def _log_path(settings):
    try:
        return os.fspath(settings.LOG_PATH)
    except TypeError:
        return None  # not a path: the harvest says so itself


def still_current(page, reading):
    if not reading.state or time.monotonic() - reading.read_at > REUSE_S:
        return False
    from kelvo_web.engine.browser.harvester import _page_state

    try:
        return _page_state(page) == reading.state
    except Exception:
        return False  # a navigation under way: read the page anew


def read_extras(page):
    """The ladder's extra look at the page; a navigation under way is worth another attempt."""
    try:
        text = page.evaluate(engine().extras_js)
    except Exception as error:
        raise unreadable(page, error) from None
    extras = engine().native_lists(text) if isinstance(text, str) else None
    if extras is None:
        raise Problem(f"the page could not be read: its extra reading answered {type(text).__name__}")
    return extras


def read_step(instruction):
    """A step read once: (the parsed instruction, its plan, the one word of it the shell
    needs, whether to read the extras with the harvest, the narrowing its harvest may read
    by or None). The core parses it and decides everything after from the plan."""
    return engine().read_step(instruction)


def decide(page, plan, reading):
    """The core's decision on one harvest: {result, resolved_by[, verdict][, reason]}. The core
    answers None when it needs the ladder's extra reading of the page, and is asked again.
    On a narrowed reading it answers None unless the whole page would give the same: the
    caller then reads the whole page."""
    if reading.narrow is not None:
        return plan.decide_narrowed(reading.elements, reading.texts)
    decision = plan.decide(reading.elements, reading.texts, reading.extras)
    if decision is None:
        decision = plan.decide(reading.elements, reading.texts, read_extras(page))
    return decision


def with_notes(problem, notes):
    """A Problem of finding nothing, saying what the harvest could not read: the element may be there."""
    if notes:
        problem.problem = f"{problem.problem}; " + "; ".join(notes)
    return problem
