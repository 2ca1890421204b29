"""Ending a step whose browser call the page's own scripts hold past the step's deadline.

Playwright's sync API gives page.evaluate, mouse clicks and key presses no timeout of their
own: a handler that never returns, or a page whose main thread never idles, holds them, and the
whole run with them, for ever. Only the browser can end such a call. Over a CDP session opened
for the page while it is still idle (a session opened later is not served by a busy renderer),
Runtime.terminateExecution stops the running script even while the main thread is busy, and
the call held behind it returns; a page that stays busy even so is closed, which ends its
renderer and every call on it at once.

How the watchdog runs: a sync call waits by running Playwright's asyncio loop on this same
thread, so a timer on that loop fires exactly while a call is being waited for, and no thread
of our own is needed. The loop is the one private attribute this reads (`page._loop`); what the
timer does runs in a greenlet of its own, the way Playwright runs an event listener, so it may
use the public sync API (CDPSession.send). A normal step costs no browser round trip: the timer
is set and cancelled in Python, and fires only once the step has overrun.
"""

import time

import greenlet
from playwright.sync_api import TimeoutError as PlaywrightTimeout

from kelvo_web.agent.outcome import Problem

OVERRUN_S = 0.2  # past the deadline before the watchdog looks: calls ending on time are left alone
PROBE_MS = 300  # a main thread that cannot evaluate `0` this fast is held by the page's scripts
PAUSE_S = 0.1  # between two looks
GIVE_UP_S = 0.4  # still busy this long after the first stop (longer than a harvest let through takes): crashed
TERMINATE = "Runtime.terminateExecution"

CRASHED = (
    "the page crashed (its renderer process ended: out of memory, a browser fault, or chrome://crash); "
    "the steps after it in this test cannot run, start a new WebAgent to go on"
)


class Watchdog:
    """One page's watchdog and what it knows of the page (a crash), attached when the agent
    takes the page."""

    def __init__(self, page, dialogs):
        self.page = page
        self.crashed = False
        self.ended = False  # crashed by the watchdog, its scripts unstoppable
        self._dialogs = dialogs
        self._loop = getattr(page, "_loop", None)
        page.on("crash", self._on_crash)
        try:
            self._session = page.context.new_cdp_session(page)
        except Exception:
            self._session = None  # not Chromium, or the page went away: steps go unwatched

    def _on_crash(self, page):
        self.crashed = True

    def detach(self):
        """The page is its owner's again: no listener or session of ours stays on it."""
        self.page.remove_listener("crash", self._on_crash)
        if self._session is not None:
            try:
                self._session.detach()
            except Exception:
                pass  # the page is gone already

    def watching(self, deadline, timeout_ms):
        """A context that stops the page's scripts once the step runs past `deadline` (a
        time.monotonic() value) and then fails the step saying so."""
        return _Watch(self, deadline, timeout_ms)

    def gone(self):
        """Why the page can take no more steps (it crashed, or the watchdog ended it), or None."""
        if self.ended and not self.crashed:
            return (
                "the agent ended the page after its scripts kept its main thread busy; the steps "
                "after it in this test cannot run, start a new WebAgent to go on"
            )
        return CRASHED if self.crashed else None

    # -- on Playwright's loop: the loop's callbacks, and greenlets of our own they start ----

    def _look(self, watch):
        if watch.active:
            greenlet.greenlet(lambda: self._check(watch)).switch()

    def _check(self, watch):
        # A sync call here hands the loop on while it waits, as in an event listener.
        if self._answers() or not watch.active:
            if watch.active:
                watch.timer = self._loop.call_later(PAUSE_S, self._look, watch)
            return
        now = time.monotonic()
        watch.first_stop = watch.first_stop or now
        if now - watch.first_stop >= GIVE_UP_S:
            self.ended = watch.ended_it = True
            self._end_page()
            return
        watch.stops += 1
        self._send(TERMINATE)
        watch.timer = self._loop.call_later(PAUSE_S, self._look, watch)

    def _answers(self):
        """Whether the page's main thread evaluates at once (nothing of the page's holds it)."""
        try:
            self._session.send("Runtime.evaluate", {"expression": "0"}, timeout=PROBE_MS)
        except PlaywrightTimeout:
            return False
        except Exception:
            pass  # ended by our own stop, or the page is gone: either way nothing holds it now
        return True

    def _end_page(self):
        # Page.crash is carried out by the renderer's main thread, which a page busy from one
        # task to the next never frees; closing the page is the browser's own doing, and
        # ends the renderer and every call held on it.
        def close():
            try:
                self.page.close(run_before_unload=False)
            except Exception:
                pass  # closed or crashed meanwhile

        self._loop.call_soon(lambda: greenlet.greenlet(close).switch())

    def _send(self, method):
        # Neither command answers before what it ends has ended, so each is sent from a
        # greenlet started by the loop itself, which goes on at once.
        def send():
            try:
                self._session.send(method)
            except Exception:
                pass  # the page crashed or closed meanwhile: nothing left to stop

        self._loop.call_soon(lambda: greenlet.greenlet(send).switch())


class _Watch:
    def __init__(self, watchdog, deadline, timeout_ms):
        self.watchdog = watchdog
        self.deadline = deadline
        self.timeout_ms = timeout_ms
        self.active = False
        self.timer = None
        self.stops = 0
        self.first_stop = None
        self.ended_it = False
        self.dialogs = 0

    def __enter__(self):
        dog = self.watchdog
        if dog._session is not None and dog._loop is not None:
            self.active = True
            self.dialogs = dog._dialogs.opened
            delay = max(0.0, self.deadline - time.monotonic()) + OVERRUN_S
            self.timer = dog._loop.call_later(delay, dog._look, self)
        return self

    def __exit__(self, kind, error, traceback):
        self.active = False
        if self.timer is not None:
            self.timer.cancel()
        if (self.stops or self.ended_it) and (kind is None or issubclass(kind, Exception)):
            # A renderer that died does not answer either: its crash, once told, is the account.
            raise Problem(CRASHED if self.watchdog.crashed else self.reason(), retry=False) from None
        return False

    def reason(self):
        dialogs = self.watchdog._dialogs.opened - self.dialogs
        doing = (
            f"kept opening dialogs ({dialogs} during the step, from a script that does not return)"
            if dialogs > 1
            else "kept its main thread busy (a handler or timer that does not return)"
        )
        told = f"the page's scripts {doing} past the step's {self.timeout_ms} ms; the agent stopped them"
        if self.ended_it:
            told = f"{told}, and as the page stayed busy it ended the page: the steps after it in this test cannot run"
        return f"{told}. Fix the script, or give the step more time (STEP_TIMEOUT_MS) if it is only slow"
