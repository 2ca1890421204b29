import contextlib
import functools
import http.server
import json
import threading
import time
from pathlib import Path

import pytest

SHOP = Path(__file__).resolve().parents[3] / "examples" / "shop"
HOSTILE = Path(__file__).with_name("hostile")
LIVE = Path(__file__).with_name("live")


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class _HostileHandler(_QuietHandler):
    def do_GET(self):
        if self.path.startswith("/hang"):
            time.sleep(60)  # a resource that never arrives while a test waits for it
            return
        if self.path.startswith("/broken"):
            self._answer(500, b"<!doctype html><html><body><h1>Something broke</h1></body></html>")
            return
        if self.path.startswith("/unfinished"):
            # Headers and the start of a page, then nothing: the document never completes.
            self._answer(200, b"<!doctype html><html><body><h1>Half a page</h1>", length=100000)
            time.sleep(60)
            return
        if self.path.startswith("/file"):
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", "attachment; filename=file.bin")
            self.send_header("Content-Length", "4")
            self.end_headers()
            self.wfile.write(b"file")
            return
        if self.path.startswith("/slow"):
            time.sleep(2.5)  # longer than a click waits for a next document nobody asked for
            self._answer(200, b"<!doctype html><html><body><h1>Slow page</h1></body></html>")
            return
        if self.path.startswith("/empty"):
            self.send_response(204)  # a link that answers nothing: the page stays
            self.end_headers()
            return
        super().do_GET()

    def _answer(self, status, body, length=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(length or len(body)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()


class _LiveHandler(_QuietHandler):
    """A small order application: every change is a round trip that answers after a while,
    and the page draws its form again from the answer. `stored` is what it stored."""

    stored = {}
    ROUND_TRIP_S = 0.3
    PRICES = {"Standard": 0.0, "Express": 5.0, "Overnight": 15.0}
    CITIES = ["Oslo", "Osaka", "Bergen", "Berlin"]

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == "/order.html":
            type(self).stored.clear()
            type(self).stored.update(shipping="Standard", city="", gift=False, newsletter=False, saved=False)
            return super().do_GET()
        if path == "/api/order":
            return self._json(self._priced())
        if path == "/api/options":
            time.sleep(self.ROUND_TRIP_S)
            asked = dict(part.partition("=")[::2] for part in query.split("&") if part)
            if asked.get("field") == "shipping":
                return self._json(list(self.PRICES))
            typed = asked.get("q", "").lower()
            return self._json([c for c in self.CITIES if typed and c.lower().startswith(typed)])
        return super().do_GET()

    def do_POST(self):
        body = json.loads(self.rfile.read(int(self.headers.get("Content-Length") or 0)) or b"{}")
        time.sleep(self.ROUND_TRIP_S)
        if self.path == "/api/save":
            type(self).stored["saved"] = True
            s = self._priced()
            return self._json({"message": f"Order placed: {s['shipping']}, {s['city']}, total {s['total']}"})
        type(self).stored.update(body)
        return self._json(self._priced())

    def _priced(self):
        s = type(self).stored
        total = 10.0 + self.PRICES.get(s.get("shipping"), 0.0) + (2.5 if s.get("gift") else 0.0)
        return dict(s, total=f"{total:.2f}")

    def _json(self, value):
        body = json.dumps(value).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


@contextlib.contextmanager
def served(directory, handler=_QuietHandler):
    """A folder served on a free loopback port; yields its address."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(handler, directory=str(directory)))
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        yield f"http://127.0.0.1:{server.server_port}/"
    finally:
        server.shutdown()


@pytest.fixture(scope="session")
def shop_url():
    """The demo shop, served on a free port for this test session."""
    with served(SHOP) as url:
        yield url


@pytest.fixture(scope="session")
def hostile_url():
    """The pages in hostile/, served for this test session, and three that misbehave: /hang
    never answers, /broken answers HTTP 500, /unfinished never finishes its body."""
    with served(HOSTILE, _HostileHandler) as url:
        yield url


@pytest.fixture(scope="session")
def live_app():
    """The order application in live/, served for this test session: (its address, what it stored)."""
    with served(LIVE, _LiveHandler) as url:
        yield url, _LiveHandler.stored


def _agents_at(base_url, default_page, default_timeout_ms):
    """Yields a maker of agents on pages under `base_url`, then closes every agent it made."""
    from kelvo_web import WebAgent

    agents = []

    def make(page=default_page, screenshots=False, timeout_ms=default_timeout_ms):
        agent = WebAgent(url=base_url + page, screenshots=screenshots)
        agent.step_timeout_ms = timeout_ms
        agents.append(agent)
        return agent

    yield make
    for agent in agents:
        agent.close()


@pytest.fixture
def make_agent(shop_url):
    """Builds agents on a page of the shop; closes them after the test."""
    yield from _agents_at(shop_url, "index.html", 2000)


@pytest.fixture
def agent_on(hostile_url):
    """Builds agents on a page of hostile/; closes them after the test."""
    yield from _agents_at(hostile_url, "second_tab.html", 1500)
