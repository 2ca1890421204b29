import contextlib
import functools
import http.server
import threading
import time
from pathlib import Path

import pytest

SHOP = Path(__file__).resolve().parents[3] / "examples" / "shop"
HOSTILE = Path(__file__).with_name("hostile")


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
        super().do_GET()

    def _answer(self, status, body, length=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(length or len(body)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()


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
