"""Fixtures of the batched-harvest tests."""

import pytest
from batched_support import SHARED_PAGES, serve_shared_pages


@pytest.fixture(scope="session")
def shared_pages_server():
    """The shared page corpus over http on loopback; skips when the corpus is absent."""
    if not SHARED_PAGES.is_dir():
        pytest.skip("../shared/pages is not present")
    address, server = serve_shared_pages()
    yield address
    server.shutdown()
