import pathlib

import pytest

from kelvo_web.engine.browser.harvester import DOMParser

PAGES = pathlib.Path(__file__).parent / "pages"


def harvest(page):
    """(descriptors, text elements) of the page as the agent sees them."""
    return DOMParser(page).extract_interactable_elements()


@pytest.fixture
def open_page(page):
    """Opens one of the fixture pages in the real browser."""
    def open_(name):
        page.goto((PAGES / name).as_uri())
        return page
    return open_
