import functools
import http.server
import threading
from pathlib import Path

import pytest

PAGES = Path(__file__).resolve().parent / "pages"


class _PageHandler(http.server.BaseHTTPRequestHandler):
    """Serves the pages folder; "{{A}}" and "{{B}}" in a page become the two origins."""

    def __init__(self, *args, origins, **kwargs):
        self.origins = origins
        super().__init__(*args, **kwargs)

    def do_GET(self):
        name = self.path.split("?")[0].lstrip("/") or "index.html"
        path = PAGES / name
        if "/" in name or not path.is_file():
            self.send_error(404)
            return
        body = path.read_text(encoding="utf-8")
        for key, origin in self.origins.items():
            body = body.replace("{{" + key + "}}", origin)
        data = body.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


@pytest.fixture(scope="session")
def origins():
    """Two loopback origins serving the same pages: A on 127.0.0.1, B on 127.0.0.2 with its
    own port, so B's frames are cross-site to A and Chromium runs them out of process."""
    found = {}
    servers = []
    for key, host in (("A", "127.0.0.1"), ("B", "127.0.0.2")):
        server = http.server.ThreadingHTTPServer((host, 0), functools.partial(_PageHandler, origins=found))
        found[key] = f"http://{host}:{server.server_port}"
        servers.append(server)
        threading.Thread(target=server.serve_forever, daemon=True).start()
    yield dict(found)
    for server in servers:
        server.shutdown()


@pytest.fixture
def agent_on(origins):
    """An agent on a page of origin A; closed after the test."""
    from kelvo_web import WebAgent

    agents = []

    def make(page, timeout_ms=3000):
        agent = WebAgent(url=f"{origins['A']}/{page}")
        agent.step_timeout_ms = timeout_ms
        agents.append(agent)
        return agent

    yield make
    for agent in agents:
        agent.close()
