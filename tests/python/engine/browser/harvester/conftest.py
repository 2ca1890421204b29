import pytest

from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser


@pytest.fixture
def harvest(page):
    """Sets the page's markup and runs one full harvest: (elements, text_elements)."""

    def run(html):
        page.set_content(html)
        return DOMParser(page).extract_interactable_elements()

    return run


@pytest.fixture
def snapshots(monkeypatch, tmp_path):
    """Snapshots on, written to a fresh folder; returns that folder."""
    folder = tmp_path / "logs"
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", True)
    monkeypatch.setattr(settings, "LOG_PATH", str(folder) + "/")
    return folder
