"""A full harvest gives the same records batched as call by call: same records, keys in
the same order, equal values, boxes within 0.01 px; on our fixture pages, on every page
of the harvester's own tests and on the shared pages when present."""

import ast
import math
import pathlib

import pytest
from batched_support import PAGES, Counting, shared_page_paths

from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser

HARVESTER_TESTS = pathlib.Path(__file__).resolve().parents[1] / "harvester"


def markup_of_harvester_tests():
    """Every page of the harvester's tests: the string literals that hold markup."""
    pages = []
    for path in sorted(HARVESTER_TESTS.glob("test_*.py")):
        for node in ast.walk(ast.parse(path.read_text())):
            if isinstance(node, ast.Constant) and isinstance(node.value, str):
                text = node.value
                if "<" in text and ">" in text and "</" in text and text not in pages:
                    pages.append(text)
    return pages


def harvest(page, mode, monkeypatch):
    monkeypatch.setattr(settings, "HARVEST_MODE", mode)
    return DOMParser(page).extract_interactable_elements()


def differences(a, b, path="records"):
    """Where two harvests differ; boxes compare within 0.01 px, everything else exactly,
    key order and number kinds included."""
    if isinstance(a, dict) and isinstance(b, dict):
        if list(a) != list(b):
            return [(path, "keys", list(a), list(b))]
        if path.endswith("bounding_box") and all(isinstance(v, (int, float)) for v in [*a.values(), *b.values()]):
            if all(type(a[k]) is type(b[k]) and math.isclose(a[k], b[k], abs_tol=0.01) for k in a):
                return []
            return [(path, a, b)]
        return [d for k in a for d in differences(a[k], b[k], f"{path}.{k}")]
    if isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            return [(path, "length", len(a), len(b))]
        return [d for i, (x, y) in enumerate(zip(a, b)) for d in differences(x, y, f"{path}[{i}]")]
    return [] if type(a) is type(b) and a == b else [(path, a, b)]


def compare(page, monkeypatch):
    per_call = harvest(page, "per-call", monkeypatch)
    batched = harvest(page, "batched", monkeypatch)
    return differences(list(per_call), list(batched))


@pytest.mark.parametrize("name", sorted(PAGES))
def test_fixture_pages_harvest_alike(page, monkeypatch, name):
    page.set_viewport_size({"width": 800, "height": 600})
    page.set_content(PAGES[name])
    assert compare(page, monkeypatch) == []


@pytest.mark.parametrize("number", range(len(markup_of_harvester_tests())))
def test_harvester_test_pages_harvest_alike(page, monkeypatch, number):
    page.set_content(markup_of_harvester_tests()[number])
    assert compare(page, monkeypatch) == []


@pytest.mark.parametrize("path", shared_page_paths() or ["(absent)"])
def test_shared_pages_harvest_alike(page, monkeypatch, shared_pages_server, path):
    page.goto(shared_pages_server + path, wait_until="networkidle")
    page.wait_for_timeout(300)
    assert compare(page, monkeypatch) == []


# With a snapshot the harvest reads the page address twice (for the file name, then for
# the content); Playwright keeps the address on its side, so neither goes to the browser.
@pytest.mark.parametrize("snapshots, calls", [(False, 1), (True, 3)])
def test_one_call_per_harvest_plus_the_address_for_a_snapshot(page, monkeypatch, tmp_path, snapshots, calls):
    page.set_content(
        PAGES["form"].replace('aria-labelledby="nm other"', "").replace('aria-labelledby="x:visible" id=\'q"uote\'', "")
    )
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", snapshots)
    monkeypatch.setattr(settings, "LOG_PATH", str(tmp_path))
    counting = Counting(page)
    elements, texts = harvest(counting, "batched", monkeypatch)
    assert elements and texts
    assert counting.calls[0] == calls
    assert len(list(tmp_path.iterdir())) == (1 if snapshots else 0)


@pytest.mark.parametrize("mode, expected", [("", "per-call"), ("per-call", "per-call"), ("batched", "batched")])
def test_mode_setting_and_page_kind_choose_the_path(page, monkeypatch, mode, expected):
    # A proxy is not a Playwright page: call by call unless the setting says otherwise.
    page.set_content("<button>Go</button><span>Hello</span>")
    counting = Counting(page)
    harvest(counting, mode, monkeypatch)
    assert (counting.calls[0] == 1) == (expected == "batched")


def test_real_playwright_page_is_batched_by_default(page, monkeypatch):
    page.set_content("<button>Go</button>")
    monkeypatch.setattr(settings, "HARVEST_MODE", "")
    seen = []
    monkeypatch.setattr(type(page), "query_selector_all", lambda self, s: seen.append(s) or [])
    DOMParser(page).extract_interactable_elements()
    assert seen == []  # the harvest was answered by one page script


def test_unknown_mode_is_a_clear_error(page, monkeypatch):
    monkeypatch.setattr(settings, "HARVEST_MODE", "fast")
    with pytest.raises(ValueError, match="HARVEST_MODE"):
        DOMParser(page).extract_interactable_elements()
