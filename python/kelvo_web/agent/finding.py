"""Finding what a step aims at on one harvest: the engine's resolvers, then the ladder."""

import atexit
import functools
import os
import time
import warnings
from collections.abc import Sequence
from types import SimpleNamespace
from typing import NamedTuple

from kelvo_web import ladder
from kelvo_web.agent.outcome import NOT_FOUND, Problem, first_line
from kelvo_web.routing import SPATIAL, TEXT, resolver_order


@functools.cache
def engine():
    # Imported on first use: building an agent costs nothing until a step runs.
    from kelvo_web.engine.agent.grammar import InstructionParser
    from kelvo_web.engine.browser.harvester import DOMParser
    from kelvo_web.engine.spatial.cartographer import MatrixBuilder
    from kelvo_web.engine.spatial.surveyor import MatrixResolver
    from kelvo_web.engine.strategies.matcher import DOMStrategy

    return SimpleNamespace(
        parser=InstructionParser(),
        harvester=DOMParser,
        builder=MatrixBuilder,
        resolver=MatrixResolver,
        strategy=DOMStrategy(),
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


def harvest(page, previous=None):
    """A reading of the page: `previous` again while the page has not changed since it."""
    if previous is not None and still_current(page, previous):
        return previous
    try:
        parser = engine().harvester(page)
        elements, texts = _read_page(parser)
        # Only the top document's changes are counted: a page with frames is read anew.
        state = parser._state if len(getattr(page, "frames", ())) <= 1 else None
        return Harvest(elements, texts, list(parser._notes), state, time.monotonic())
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


def _read_page(parser):
    # Snapshots are debugging data: their folder failing (full, missing, not a folder) must
    # not fail a step, so the page is read again without one and the steps go on.
    global _unwritable_log_path
    from kelvo_web.engine import settings

    log_path = _log_path(settings)
    if log_path is not None and log_path == _unwritable_log_path:
        return parser._extract_native(snapshot=False)
    try:
        return parser._extract_native()
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
    return parser._extract_native(snapshot=False)


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
        return ladder.read_extras(page)
    except Exception as error:
        raise unreadable(page, error) from None


def aims_at_element(parsed):
    """Whether the step acts on or checks an element (else it is about page text)."""
    return bool(resolver_order(parsed["action"], parsed["target"]))


def find_element(page, parsed, dom_elements, text_elements):
    """The element a parsed step aims at on one harvest, with the route that found it."""
    found = engine()
    extras = functools.lru_cache(maxsize=None)(lambda: read_extras(page))  # one read per attempt at most
    for route in resolver_order(parsed["action"], parsed["target"]):
        if route == SPATIAL:
            matrix = found.builder(dom_elements, text_elements).build()
            result = found.resolver(matrix).resolve(parsed)
        else:
            result = found.strategy.resolve(parsed, dom_elements, text_elements)
        if result.get("resolved") and not ladder.rules_missed(parsed, result):
            better = ladder.rerank(parsed, result, dom_elements, text_elements, extras, spatial=route == SPATIAL)
            if better:
                return better, better["resolved_by"]
            return result, route
        # An answer of another kind or name than the tester wrote is no answer: the rules
        # took whatever stood near the anchor, and acting on it would pass a wrong step.
    # Beyond the rules, at the cost of one more look at the page.
    spatial = lambda texts: found.resolver(found.builder(dom_elements, texts).build()).resolve(parsed)
    climbed = ladder.climb(parsed, dom_elements, text_elements, extras(), spatial)
    if climbed["resolved"]:
        return climbed, climbed["resolved_by"]
    return dict(NOT_FOUND), None


def find_text(page, parsed, dom_elements, text_elements):
    """The page text a text step aims at, with the route that found it."""
    result, route = engine().strategy.resolve(parsed, dom_elements, text_elements), TEXT
    if ladder.rules_missed(parsed, result):
        climbed = ladder.climb(parsed, dom_elements, text_elements, read_extras(page))
        if climbed["resolved"]:
            result, route = climbed, climbed["resolved_by"]
    else:
        better = ladder.rerank(parsed, result, dom_elements, text_elements, lambda: read_extras(page))
        if better:
            result, route = better, better["resolved_by"]
    return result, route


def with_notes(problem, notes):
    """A Problem of finding nothing, saying what the harvest could not read: the element may be there."""
    if notes:
        problem.problem = f"{problem.problem}; " + "; ".join(notes)
    return problem
