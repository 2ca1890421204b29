"""Serves the demo shop for the example suite, unless KELVO_DEMO_URL names one already."""

import functools
import http.server
import os
import threading
from pathlib import Path

SHOP = Path(__file__).parent / "shop"


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def pytest_configure(config):
    if os.environ.get("KELVO_DEMO_URL"):
        return
    handler = functools.partial(_QuietHandler, directory=str(SHOP))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    # Parallel workers (pytest -n 2) inherit this and share the one server.
    os.environ["KELVO_DEMO_URL"] = f"http://127.0.0.1:{server.server_port}/"
