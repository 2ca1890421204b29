import functools
import http.server
import threading
from pathlib import Path

import pytest

SHOP = Path(__file__).resolve().parents[3] / "examples" / "shop"


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@pytest.fixture(scope="session")
def shop_url():
    """The demo shop, served on a free port for this test session."""
    handler = functools.partial(_QuietHandler, directory=str(SHOP))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield f"http://127.0.0.1:{server.server_port}/"
    server.shutdown()


@pytest.fixture
def make_agent(shop_url):
    """Builds agents on a page of the shop; closes them after the test."""
    from kelvo_web import WebAgent

    agents = []

    def make(page="index.html", screenshots=False, timeout_ms=2000):
        agent = WebAgent(url=shop_url + page, screenshots=screenshots)
        agent.step_timeout_ms = timeout_ms
        agents.append(agent)
        return agent

    yield make
    for agent in agents:
        agent.close()
