import pytest

from kelvo_web.browser import new_page


@pytest.fixture
def page():
    """A fresh page in real Chromium; set its content with page.set_content(html)."""
    page = new_page()
    yield page
    page.context.close()
