"""Harvesting real pages from public projects keeps every record layout and order.
A few pages here; bench/harvest_pages.py goes through all of them."""

import pytest
from harvest_checks import check_harvest, serve, shared_pages

from kelvo_web.engine.browser.harvester import DOMParser

PAGES = shared_pages()
SAMPLE = [
    "todomvc/index.html",
    "bootstrap/sign-in/index.html",
    "mdn-learning-area/accessibility/aria/aria-div-buttons.html",
]

pytestmark = pytest.mark.skipif(PAGES is None, reason="the shared page folder is not beside this checkout")


@pytest.fixture(scope="module")
def base_url():
    with serve(PAGES) as url:
        yield url


@pytest.mark.parametrize("name", SAMPLE)
def test_real_page_harvest_keeps_the_record_layouts(page, base_url, name):
    if not (PAGES / name).exists():
        pytest.skip(f"{name} is not in the shared page folder")
    page.goto(base_url + name)
    elements, text_elements = DOMParser(page).extract_interactable_elements()
    assert elements and text_elements
    check_harvest(page, elements, text_elements)
