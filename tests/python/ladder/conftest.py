import pytest
from ladder_pages import PAGES


@pytest.fixture
def open_page(page):
    """Opens one of the fixture pages in the real browser."""

    def open_(name):
        page.goto((PAGES / name).as_uri())
        return page

    return open_
