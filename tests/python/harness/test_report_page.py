import base64
import struct
import zlib

import pytest

from conftest import InnerRun


def tiny_png(width=3, height=2):
    """A real PNG of red pixels, built here so the test needs no files."""

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b"".join(b"\x00" + b"\xff\x00\x00" * width for _ in range(height))
    png = (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(rows))
        + chunk(b"IEND", b"")
    )
    return base64.b64encode(png).decode()


HOSTILE_INSTRUCTION = '<img src=x onerror="window.pwned=1">click \'Login\''
HOSTILE_MESSAGE = "</div><script>window.pwned=2</script>assert a < b"

ODD_FILE = f'''
import pytest

@pytest.mark.parametrize("v", [1], ids=["it's \\"odd\\" <i>"])
def test_with_steps(agent, v):
    agent._steps.append({{"status": "passed", "instruction": {HOSTILE_INSTRUCTION!r},
                         "screenshot": {tiny_png()!r}}})
    agent._steps.append({{"status": "failed", "instruction": "verify text Welcome is visible",
                         "message": {HOSTILE_MESSAGE!r}}})

def test_fails():
    assert 1 < 0

def test_skips():
    pytest.skip("later")
'''


@pytest.fixture
def report_page(project, page):
    # A folder name full of markup characters ends up in ids, attributes and handlers.
    odd = project.mkdir("q'\"<b>&")
    odd.joinpath("test_odd.py").write_text(ODD_FILE)
    project.makepyfile(test_calm="def test_a(): pass\n\ndef test_b(): pass\n")
    InnerRun(project, "-p", "no:cacheprovider")
    page.goto(project.path.joinpath("test_report", "report.html").as_uri())
    return page


def visible_statuses(page):
    return [r.get_attribute("data-status") for r in page.locator(".test-row").all() if r.is_visible()]


def test_filters_hide_rows_and_empty_groups(report_page):
    page = report_page
    groups = page.locator(".file-group")
    assert groups.count() == 2
    cases = [
        ("Failed", ["failed"], [True, False]),
        ("Skipped", ["skipped"], [True, False]),
        ("Passed", ["passed", "passed", "passed"], [True, True]),
        ("All", ["passed", "failed", "skipped", "passed", "passed"], [True, True]),
    ]
    for button, statuses, groups_shown in cases:
        page.click(f".filter-btn:text-is('{button}')")
        assert visible_statuses(page) == statuses, button
        assert [g.is_visible() for g in groups.all()] == groups_shown, button
        active = page.locator(".filter-btn.active")
        assert active.count() == 1 and active.inner_text() == button


def test_file_group_collapses_and_opens(report_page):
    page = report_page
    header = page.locator(".file-header").nth(1)
    table = page.locator(".test-table").nth(1)
    header.click()
    assert not table.is_visible()
    assert "collapsed" in header.locator(".chevron").get_attribute("class")
    header.click()
    assert table.is_visible()
    assert "collapsed" not in header.locator(".chevron").get_attribute("class")


def test_steps_row_expands_with_its_button(report_page):
    page = report_page
    button = page.locator(".expand-btn")
    assert button.count() == 1
    steps = page.locator(".steps-container")
    assert not steps.is_visible() and button.inner_text() == "▶ steps"
    button.click()
    assert steps.is_visible() and button.inner_text() == "▼ steps"
    assert page.locator(".test-table").first.is_visible(), "the click stays with the button"
    button.click()
    assert not steps.is_visible() and button.inner_text() == "▶ steps"


def test_screenshot_decodes(report_page):
    page = report_page
    page.click(".expand-btn")
    image = page.locator(".step-screenshot img")
    image.wait_for()
    size = image.evaluate("img => img.complete && [img.naturalWidth, img.naturalHeight]")
    assert size == [3, 2]


def test_hostile_values_render_as_text(report_page):
    page = report_page
    page.click(".expand-btn")
    assert page.evaluate("() => window.pwned") is None
    assert page.locator("img[src=x]").count() == 0
    texts = page.locator(".step-text").all_inner_texts()
    assert texts[0] == HOSTILE_INSTRUCTION
    assert page.locator(".step-msg").inner_text() == HOSTILE_MESSAGE
    names = page.locator(".test-name").all_inner_texts()
    assert "test_with_steps[it's \"odd\" <i>]" in names
    assert page.locator(".file-name").first.inner_text() == "q'\"<b>&/test_odd.py"
    assert page.locator(".step-row .icon.failed").count() == 1
