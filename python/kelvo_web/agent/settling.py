"""Waiting for the change a step caused to settle: a live application answers a click or a
pick with a server round trip and then renders, and the next step must read what it renders."""

import time

from kelvo_web.page_scripts import script

# Requests a step's action may have started and the page renders from; documents, images
# and the like are the browser's business.
_PAGE_REQUESTS = frozenset({"fetch", "xhr"})
SETTLE_CAP_MS = 5000  # a server slower than this is left to the next step's own waiting
QUIET_JS = script("dom_quiet")
QUIET_MS = 50  # no change in the page for this long after the answer came: rendered
QUIET_CAP_MS = 1000


class Traffic:
    """The page's fetch and XHR requests in flight, each with when it started."""

    def __init__(self, page):
        self._open = {}
        page.on("request", self._started)
        page.on("requestfinished", self._ended)
        page.on("requestfailed", self._ended)

    def _started(self, request):
        if request.resource_type in _PAGE_REQUESTS:
            self._open[request] = time.monotonic()

    def _ended(self, request):
        self._open.pop(request, None)

    def since(self, moment):
        """Whether a request started at or after `moment` is still in flight: one started
        before the action (a long poll, a stream) is not the action's."""
        return any(started >= moment for started in self._open.values())


def settle(page, traffic, acted_at, budget_ms):
    """After an action at `acted_at` (time.monotonic()): while a request it started is in
    flight, wait (within `budget_ms` and SETTLE_CAP_MS), then for the page to stop changing.
    Costs nothing when the action started no request."""
    if traffic is None or not traffic.since(acted_at):
        return
    deadline = time.monotonic() + min(budget_ms, SETTLE_CAP_MS) / 1000
    try:
        while traffic.since(acted_at) and time.monotonic() < deadline:
            page.wait_for_timeout(20)  # the driver hands over the request events meanwhile
        left_ms = int((deadline - time.monotonic()) * 1000)
        if left_ms > 0:
            page.evaluate(QUIET_JS, {"quiet": QUIET_MS, "cap": min(left_ms, QUIET_CAP_MS)})
    except Exception:
        pass  # the page left or closed: the next step reads whatever is there
