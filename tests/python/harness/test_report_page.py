import base64
import struct
import zlib

import pytest
from inner_run import InnerRun


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


HOSTILE_INSTRUCTION = "<img src=x onerror=\"window.pwned=1\">click 'Login'"
HOSTILE_MESSAGE = "</div><script>window.pwned=2</script>assert a < b"

ODD_FILE = f"""
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
"""


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
    # A click shows it at its own size over the report; Escape puts it back.
    box = page.locator(".step-screenshot")
    zoomed = "b => getComputedStyle(b).position + ' ' + getComputedStyle(b.querySelector('img')).maxWidth"
    image.click()
    assert box.evaluate(zoomed) == "fixed none"
    page.keyboard.press("Escape")
    assert box.evaluate(zoomed) == "static 100%"


def test_every_files_table_has_its_columns_in_the_same_place(report_page):
    page = report_page
    lefts = page.locator(".test-table thead").evaluate_all(
        "heads => heads.map(h => [...h.querySelectorAll('th')].map(th => Math.round(th.getBoundingClientRect().left)))"
    )
    assert len(lefts) == 2 and lefts[0] == lefts[1], lefts


def test_printed_report_draws_every_group(report_page):
    page = report_page
    page.emulate_media(media="print")
    drawn = page.locator(".file-group").evaluate_all("gs => gs.map(g => getComputedStyle(g).contentVisibility)")
    assert drawn and set(drawn) == {"visible"}, "off-screen groups would print blank"


def test_hostile_values_render_as_text(report_page):
    page = report_page
    page.click(".expand-btn")
    assert page.evaluate("() => window.pwned") is None
    assert page.locator("img[src=x]").count() == 0
    texts = page.locator(".step-text").all_inner_texts()
    assert texts[0] == HOSTILE_INSTRUCTION
    assert page.locator(".step-msg").inner_text() == HOSTILE_MESSAGE
    names = page.locator(".test-name").all_inner_texts()
    assert 'test_with_steps[it\'s "odd" <i>]' in names
    assert page.locator(".file-name").first.inner_text() == "q'\"<b>&/test_odd.py"
    assert page.locator(".step-row .icon.failed").count() == 1


MIXED_FILE = """
import pytest

def test_assert_after_steps(agent):
    agent._steps.append({"status": "passed", "instruction": "extract text below Total",
                         "message": "extracted '42'", "started": 1700000000.25, "duration": 0.42,
                         "element": {"tag": "span", "text": "42", "role": ""}, "resolved_by": "spatial"})
    assert "42" == "43"

@pytest.fixture
def broken():
    raise RuntimeError("no database")

def test_setup_error(broken):
    pass

@pytest.mark.xfail(reason="bug 12")
def test_known_bug():
    assert False

def test_fine():
    pass
"""


@pytest.fixture
def mixed_page(project, page):
    project.makepyfile(test_mixed=MIXED_FILE)
    project.path.joinpath("kelvo.web.config.py").write_text("URL = 'http://shop.test/'")
    InnerRun(project, "-p", "no:cacheprovider")
    page.goto(project.path.joinpath("test_report", "report.html").as_uri())
    return page


def test_reasons_show_for_failures_outside_steps(mixed_page):
    page = mixed_page
    reasons = page.locator(".test-detail .test-msg").all_inner_texts()
    assert len(reasons) == 3 and all(page.locator(".test-detail").nth(i).is_visible() for i in range(3))
    assert reasons[0].startswith("Failed\n") and "assert '42' == '43'" in reasons[0]
    assert reasons[1] == "Failed in setup\nRuntimeError: no database"
    assert reasons[2].startswith("Expected failure: bug 12")
    page.click(".filter-btn:text-is('Passed')")
    assert page.locator(".test-detail").evaluate_all("rows => rows.filter(r => r.offsetParent).length") == 0
    page.click(".filter-btn:text-is('Expected failures')")
    assert [r.get_attribute("data-status") for r in page.locator(".test-row").all() if r.is_visible()] == ["xfailed"]


def test_steps_span_the_table_and_notes_are_not_errors(mixed_page):
    page = mixed_page
    page.click(".expand-btn")
    cell = page.locator(".steps-container > td")
    table = page.locator(".test-table").first
    assert abs(cell.bounding_box()["width"] - table.bounding_box()["width"]) < 2
    note = page.locator(".step-msg.step-note")
    assert note.inner_text() == "extracted '42'"
    assert note.evaluate("el => getComputedStyle(el).color") != "rgb(255, 59, 48)"
    meta = page.locator(".step-meta").inner_text()
    assert "420 ms" in meta and "<span>" in meta and "found by spatial" in meta


def test_environment_block(mixed_page):
    page = mixed_page
    page.click(".environment summary")
    rows = dict(zip(page.locator(".env-table th").all_inner_texts(), page.locator(".env-table td").all_inner_texts()))
    assert rows["Base URL"] == "http://shop.test/"
    assert rows["Python"].startswith(".".join(map(str, __import__("sys").version_info[:2])))
    assert "Playwright" in rows and "pytest" in rows
