"""A report of thousands of tests opens and works in real Chromium, far down the page too."""

import types

import pytest
from test_report_page import tiny_png

from kelvo_web.harness.reporter import KelvoReporter

TESTS = 3000
FILES = 60
STEPS = 6


def statuses(i):
    return "failed" if i % 17 == 0 else "skipped" if i % 23 == 0 else "passed"


@pytest.fixture(scope="module")
def big_report(tmp_path_factory):
    results, steps = [], {}
    for i in range(TESTS):
        file = f"tests/test_area_{i % FILES}.py"
        nodeid = f"{file}::test_{i}"
        status = statuses(i)
        results.append(
            {
                "nodeid": nodeid,
                "file": file,
                "test": f"test_{i}",
                "status": status,
                "duration": 0.25,
                "message": "boom" if status == "failed" else "",
                "when": "call",
            }
        )
        records = [{"status": "passed", "instruction": f"click button {n} of test {i}"} for n in range(STEPS)]
        if status == "failed":
            records[-1] = {
                "status": "failed",
                "instruction": f"verify text Done of test {i}",
                "message": "not found",
                "screenshot": tiny_png(4, 5),
            }
        steps[nodeid] = records
    path = tmp_path_factory.mktemp("big") / "report.html"
    reporter = KelvoReporter(str(path), types.SimpleNamespace(_kelvo_steps=steps))
    reporter.results = results
    reporter.pytest_sessionfinish(None, 0)
    return path


@pytest.fixture
def big_page(big_report, page):
    page.goto(big_report.as_uri())
    return page


def row_of(page, test):
    return page.locator(".test-row").filter(has=page.locator(f".test-name:text-is('{test}')"))


# The last tests lie in groups far below the first screen, which the browser has not drawn yet.
@pytest.mark.parametrize(
    "test, failed",
    [
        ("test_0", True),  # first group, on screen
        (f"test_{TESTS - 1}", False),  # last group, never drawn before the click
        (f"test_{TESTS - 1 - (TESTS - 1) % 17}", True),  # far down, with a screenshot
    ],
)
def test_a_row_far_down_expands_its_steps(big_page, test, failed):
    page = big_page
    number = test.split("_")[1]
    button = row_of(page, test).locator(".expand-btn")
    button.click()
    assert button.inner_text() == "▼ steps"
    steps = page.locator(f"#steps-tests\\/test_area_{int(number) % FILES}\\.py-{int(number) // FILES}")
    assert steps.is_visible()
    texts = steps.locator(".step-text").all_inner_texts()
    assert len(texts) == STEPS and texts[0].startswith(f"click button 0 of test {number}")
    if failed:
        size = steps.locator(".step-screenshot img").evaluate(
            "img => img.decode().then(() => [img.naturalWidth, img.naturalHeight])"
        )
        assert size == [4, 5]
    button.click()
    assert not steps.is_visible()


def test_filter_reaches_groups_not_yet_drawn(big_page):
    page = big_page
    page.click(".filter-btn:text-is('Skipped')")
    shown = page.locator(".test-row").evaluate_all(
        "rows => rows.filter(r => !r.classList.contains('hidden')).map(r => r.dataset.status)"
    )
    assert shown == ["skipped"] * sum(statuses(i) == "skipped" for i in range(TESTS))
    last = page.locator(".file-group").last
    last.scroll_into_view_if_needed()
    assert last.locator(".test-row:not(.hidden)").first.is_visible()
    assert last.locator(".test-row.hidden").first.is_hidden()
