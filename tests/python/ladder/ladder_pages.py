"""The ladder's fixture pages and the harvest the agent sees (a module of its own: conftest
modules of different folders share one name, so importing from them is fragile)."""

import pathlib

from kelvo_web.engine.browser.harvester import DOMParser

PAGES = pathlib.Path(__file__).parent / "pages"


def harvest(page):
    """(descriptors, text elements) of the page as the agent sees them."""
    return DOMParser(page).extract_interactable_elements()
