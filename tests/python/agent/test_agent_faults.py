"""Faults a step can meet on its way: the page navigates or reloads under it, the page never
stops changing, the browser dies. Each either completes or fails with a message that says what
happened, and the run goes on."""

import contextlib
import pathlib
import re
import signal
import time

import pytest

from kelvo_web import StepFailure


@pytest.mark.parametrize(
    "page, steps, check, why",
    [
        (
            "reloads_once.html",
            ["click Save"],
            ("#done", "Saved at visit 2"),
            "Save is enabled only after the reload that lands during the step",
        ),
        (
            "moves_on.html",
            ["type Ada into Name", "click Continue"],
            ("#out", "Hello Ada"),
            "the elements exist only on the page the first one moves on to",
        ),
        (
            "restless.html",
            ["click Pause feed"],
            ("#out", "Paused"),
            "rows change every few milliseconds; the button does not",
        ),
        (
            "replaced_built_ins.html",
            ["type Ada into Name", "click Save"],
            ("#out", "Saved Ada"),
            "the page broke map, JSON.stringify, getBoundingClientRect, querySelectorAll, Map.get, trim",
        ),
        (
            "appears_later.html",
            ["click Save"],
            ("#out", "Saved"),
            "a reading kept while the page stands still is dropped when Save is added",
        ),
        (
            "upgraded_late.html",
            ["click Buy"],
            ("#out", "Bought"),
            "an element upgraded late changes no light-tree node; a kept reading expires",
        ),
        (
            "locked_to_json.html",
            ["type Ada into Name", "click Save", "verify text right of Total is 42"],
            ("#out", "Saved Ada"),
            "every object has a toJSON that answers a string and cannot be deleted",
        ),
        (
            "form.xhtml",
            ["type Ada into Name", "click Save"],
            ("#out", "Saved Ada"),
            "an XML document: XPath names match none of its elements",
        ),
        (
            "svg_button.html",
            ["click Play"],
            ("#out", "played"),
            "an SVG element, which XPath names do not match either, nor has it innerText",
        ),
    ],
    ids=["reload", "redirect", "restless", "built-ins", "appears", "upgraded", "to-json", "xhtml", "svg"],
)
def test_a_step_completes_on_a_page_that_changes_under_it(agent_on, page, steps, check, why):
    agent = agent_on(page, timeout_ms=5000)
    agent.run_all(steps)
    agent.page.wait_for_function(
        "([s, t]) => document.querySelector(s)?.textContent === t", arg=list(check), timeout=3000
    )
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why


def test_a_page_standing_still_is_read_once_per_change(agent_on, monkeypatch):
    from kelvo_web.agent import finding

    readings, attempts = [], []
    real = finding.engine().harvest

    def counting(page, **options):
        readings.append(page.url)
        return real(page, **options)

    def attempt(page, reading):
        attempts.append(1)
        if len(attempts) == 4:  # the page changes once, between two attempts
            page.evaluate("() => document.body.insertAdjacentHTML('beforeend', '<button>Save</button>')")
        return current(page, reading)

    current = finding.still_current
    monkeypatch.setattr(finding.engine(), "harvest", counting)
    monkeypatch.setattr(finding, "still_current", attempt)
    monkeypatch.setattr(finding, "REUSE_S", 60)  # however slow the machine, only changes count
    agent = agent_on("second_tab.html", timeout_ms=5000)
    agent.run("click Save")
    # The step's narrowed reading finds no Save, so it reads the whole page; three attempts
    # find none there either, and the fourth sees the page changed.
    assert (len(attempts), len(readings)) == (4, 3)


@pytest.mark.parametrize(
    "steps, check, why",
    [
        (["click Covered"], ("#out", "covered clicked"), "a cover over the whole page for 400 ms"),
        (["click Sliding"], ("#out", "slid clicked"), "moving when first found"),
        (["click Far below"], ("#out", "far clicked"), "out of view until scrolled to"),
        (["click Inside the root"], ("#out", "inside clicked"), "the point hits a span in a shadow root"),
        (
            ["click Go on", "type Ada into Name", "click Continue"],
            ("#out", "Hello Ada"),
            "a click whose script takes the page elsewhere: the next step acts on the next page",
        ),
    ],
    ids=["covered", "sliding", "far", "shadow", "leaves"],
)
def test_a_click_lands_whatever_stands_in_its_way_at_first(agent_on, steps, check, why):
    agent = agent_on("clicks.html", timeout_ms=5000)
    agent.run_all(steps)
    agent.page.wait_for_function(
        "([s, t]) => document.querySelector(s)?.textContent === t", arg=list(check), timeout=3000
    )
    assert [s["status"] for s in agent._steps] == ["passed"] * len(steps), why


@pytest.mark.parametrize(
    "step, url, out, plain, why",
    [
        ("click Details", "links.html#details", "details shown", True, "a link within the page"),
        ("click A link that wraps over lines", "#details", "wrapped clicked", True, "at its first line's centre"),
        ("click Another page", "second_tab.html", None, True, "the step ends once the next document came"),
        ("click A slow page", "slow", None, True, "however long its server takes to answer"),
        ("click Get the file", "links.html", None, True, "a download: no next document is waited for"),
        ("click Nothing comes", "links.html", None, True, "an empty answer: nor here"),
        ("click Write to us", "links.html", None, False, "a mail address: the locator's click tells"),
        ("click Send", "second_tab.html?q=ada", None, True, "a form's next document is waited for"),
        ("click Send it", "links.html", None, True, "a form with a field left to fill is not sent"),
        ("click Keep", "links.html", "kept here", True, "a form its page keeps"),
        ("click Far below", "links.html", "far clicked", True, "scrolled to at once, though the page scrolls smoothly"),
    ],
)
def test_a_click_that_may_leave_the_page_ends_where_the_locators_would(agent_on, monkeypatch, step, url, out, plain, why):
    from kelvo_web.agent import acting

    agent = agent_on("links.html", timeout_ms=5000)
    page, plain_clicks = agent.page, []
    click = page.mouse.click
    monkeypatch.setattr(page.mouse, "click", lambda *args, **kwargs: (plain_clicks.append(args), click(*args, **kwargs)))
    started = time.monotonic()
    agent.run(step)
    waited = time.monotonic() - started >= acting.LEAVE_WAIT_MS / 1000
    assert waited == (url == "slow"), "no wait for a document that never comes, the whole wait for a slow one"
    assert (page.url.endswith(url), bool(plain_clicks)) == (True, plain), (why, page.url)
    assert out is None or page.text_content("#out") == out, why


STEP_MS = 1500  # short, so a step the page holds shows at once against its timeout
# A held step ends within a second of its timeout on a quiet machine; the bound leaves room for
# a loaded one (a dialog loop keeps this process busy too).
MARGIN_S = 2.0


class _Overran(BaseException):
    """A step still running long after its timeout: the hang fails the test instead of holding it."""


@contextlib.contextmanager
def hard_limit(seconds):
    def expire(signum, frame):
        raise _Overran(f"still running after {seconds} s")

    previous = signal.signal(signal.SIGALRM, expire)
    signal.setitimer(signal.ITIMER_REAL, seconds)
    try:
        yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)


def _timed(agent, step):
    started = time.monotonic()
    try:
        agent.run(step)
    except Exception as error:
        return time.monotonic() - started, str(error)
    return time.monotonic() - started, None


def _start(script):
    def setup(page):
        page.evaluate(f"setTimeout({script})")  # after the evaluation has answered
        page.wait_for_timeout(100)  # kept by Playwright, not by the page, which is busy now

    return setup


def _crash(page):
    with contextlib.suppress(Exception):
        page.goto("chrome://crash")


@pytest.mark.parametrize(
    "setup, step, said, after",
    [
        (None, "click Spin forever", "kept its main thread busy", "passes"),
        (None, "click Alert forever", "kept opening dialogs", "ended"),
        # Whether the stopped script's queued observer callbacks, timers and key events run
        # again races the watchdog's second look on a loaded machine: a rerun tells a race
        # from a fault.
        pytest.param(
            _start("feedObserver"), "verify text Ready is visible", "kept its main thread busy", "passes",
            marks=pytest.mark.flaky(reruns=2),
        ),
        pytest.param(
            _start("busyTimer"), "click Spin forever", "kept its main thread busy", "ended",
            marks=pytest.mark.flaky(reruns=2),
        ),
        pytest.param(
            _start("spinOnKeys"), "press Enter", "kept its main thread busy", "passes",
            marks=pytest.mark.flaky(reruns=2),
        ),
        (_crash, "verify text Ready is visible", "the page crashed", "crashed"),
    ],
    ids=["endless-handler", "alert-loop", "self-feeding-observer", "busy-timer", "endless-key-handler", "crashed"],
)
def test_a_step_the_page_holds_ends_within_its_timeout(agent_on, setup, step, said, after):
    """Each held step fails soon after its timeout; a page that survives the stop
    takes the next step, one that does not fails every later step at once."""
    agent = agent_on("held.html", timeout_ms=STEP_MS)
    with hard_limit(30):
        page = agent.page  # opened and loaded before the clock starts
        if setup:
            setup(page)
        took, failure = _timed(agent, step)
        assert failure is not None and said in failure, failure
        assert took < STEP_MS / 1000 + MARGIN_S, f"{took:.2f} s"
        took, failure = _timed(agent, "verify text Ready is visible")
    if after == "passes":
        assert failure is None, failure
    else:
        expected = {"ended": "the agent ended the page", "crashed": "the page crashed"}[after]
        assert failure is not None and expected in failure, failure
        assert took < STEP_MS / 1000, f"{took:.2f} s: a page that can take no step fails at once"


@pytest.mark.parametrize(
    "timeout, raised, said, why",
    [
        (300, "StepFailure", "waited 300 ms (the step's timeout)", "this step's own timeout, named in its failure"),
        (None, "StepFailure", "waited 1500 ms (the step's timeout)", "the agent's, when the step sets none"),
        (0, "ValueError", "from 1 to 3600000", "no step waits no time"),
        ("300", "TypeError", "not str", "milliseconds are a number"),
        (True, "TypeError", "not bool", "True is not 1 ms"),
    ],
)
def test_one_step_takes_a_timeout_of_its_own(agent_on, timeout, raised, said, why):
    agent = agent_on("fields_typed.html")
    with pytest.raises(Exception) as failed:
        agent.run("click Nowhere", timeout=timeout)
    assert (type(failed.value).__name__, said in str(failed.value)) == (raised, True), why
    assert agent.step_timeout_ms == 1500, "the agent's own timeout is untouched"


@pytest.mark.parametrize(
    "step, field, value, why",
    [
        ("type Ada into Name", "#name", "Ada", "the text it held is replaced, not added to"),
        ("type ada@example.com into Email", "#email", "ada@example.com", "an email field has no selection to read back"),
        ("type one line into Notes", "#notes", "one line", "every line of a text area goes"),
        ("type 42 into Age", "#age", "42", "a number field given a number is typed as a text field is"),
        ("type forty into Age", "#age", None, "given words, it is refused as Playwright's fill refuses them"),
        ("type XYZ into Code", "#code", "XYZ", "its focus handler moves the caret to the end first"),
    ],
)
def test_a_typed_value_replaces_what_the_field_held(agent_on, step, field, value, why):
    agent = agent_on("fields_typed.html", timeout_ms=STEP_MS)
    typed = agent.page.locator(field)
    if value is None:
        with pytest.raises(StepFailure, match="Cannot type text into input"):
            agent.run(step)
        assert typed.input_value() == "7", why
        return
    agent.run(step)
    assert (typed.input_value(), typed.get_attribute("data-inputs") != "0") == (value, True), why


@pytest.mark.parametrize(
    "name, said",
    [
        ("notes.txt", None),  # chosen as the file to upload, not typed
        ("missing.txt", "does not exist"),
        ("folder", "is a folder"),
    ],
)
def test_typing_a_path_into_a_file_field_chooses_that_file(agent_on, tmp_path, name, said):
    (tmp_path / "notes.txt").write_text("hello")
    (tmp_path / "folder").mkdir()
    agent = agent_on("held.html", timeout_ms=STEP_MS)
    with hard_limit(30):
        page = agent.page
        took, failure = _timed(agent, f"type {tmp_path / name} into Upload")
    if said is None:
        assert failure is None, failure
        assert page.text_content("#chosen") == "chose notes.txt"
    else:
        assert failure is not None and said in failure, failure
        assert took < STEP_MS / 1000, f"{took:.2f} s: a path that cannot be chosen fails at once"


HELD = """
def test_held(agent):
    agent.page.set_content("<button onclick='for (;;) {}'>Spin</button>")
    agent.run("click Spin")
"""


def test_the_report_is_written_after_a_step_the_page_held(pytester, monkeypatch):
    monkeypatch.setenv("KELVO_STEP_TIMEOUT_MS", str(STEP_MS))
    pytester.makepyfile(test_held=HELD)
    run = pytester.runpytest_subprocess("--kelvo-report", "report.html", timeout=120)
    run.assert_outcomes(failed=1)
    html = (pytester.path / "report.html").read_text(encoding="utf-8")
    assert "kept its main thread busy" in html
    # The console shows the test's line and the step's message, none of the agent's frames.
    shown = run.stdout.str()
    assert 'agent.run("click Spin")' in shown and "kelvo_web/agent/runner.py" not in shown


FAILS_AFTER_ITS_STEPS = """
def test_total(agent):
    agent.page.set_content("<p>Total 41</p><button>Pay</button>")
    agent.run("verify Pay is visible")
    assert agent.page.text_content("p") == "Total 42"

def test_step_fails(agent):
    agent.page.set_content("<button>Pay</button>")
    agent.run("click Nowhere")
"""


def test_a_test_failing_after_its_steps_shows_its_page(pytester, monkeypatch):
    monkeypatch.setenv("KELVO_STEP_TIMEOUT_MS", "300")
    pytester.makepyfile(test_fails=FAILS_AFTER_ITS_STEPS)
    (pytester.path / "kelvo.web.config.py").write_text("SCREENSHOTS_ON_FAILURE = True\n")
    run = pytester.runpytest_subprocess("--kelvo-report", "report.html", timeout=120)
    run.assert_outcomes(failed=2)
    html = (pytester.path / "report.html").read_text(encoding="utf-8")
    # The assert's page after green steps, and the failed step's own: one picture each.
    assert html.count("the page as the test failed") == 1
    assert html.count("data:image/png;base64,") == 2
    assert "Total 42" in html, "the picture's record says what failed"


FAILS_BESIDE = """
def test_fails(page, agent):
    page.set_content("<button>Save</button>")
    agent.run("click Save")
    assert False, "after a green step"
"""

BESIDE_PYTEST_PLAYWRIGHT = """
def test_page_and_agent(page, agent):
    page.set_content("<button onclick=\\"this.textContent = 'Done'\\">Save</button>")
    agent.run("click Save")
    assert page.text_content("button") == "Done"
"""


def test_beside_pytest_playwright_its_launch_finds_the_systems_chromium(pytester, monkeypatch, tmp_path):
    import sys

    side = pathlib.Path(sys.prefix) / "beside" / "pytest-playwright"  # scripts/setup.sh puts it there
    if not (side / "pytest_playwright").is_dir():
        pytest.skip(f"pytest-playwright is not installed in {side} (make test's setup puts it there)")
    monkeypatch.setenv("PYTHONPATH", str(side))
    monkeypatch.setenv("PLAYWRIGHT_BROWSERS_PATH", str(tmp_path / "none"))  # no browser of Playwright's own
    pytester.makepyfile(test_beside=BESIDE_PYTEST_PLAYWRIGHT + FAILS_BESIDE)
    run = pytester.runpytest_subprocess(
        "-p", "no:cacheprovider", "--tracing", "retain-on-failure", "--screenshot", "only-on-failure", timeout=120
    )
    run.assert_outcomes(passed=1, failed=1)
    # pytest-playwright's trace and failure screenshot are linked from the failed test's row.
    html = (pytester.path / "test_report" / "report.html").read_text(encoding="utf-8")
    links = re.findall(r"<a class='artifact-link' href='([^']+)'", html)
    assert sorted(pathlib.PurePath(link).suffix for link in links) == [".png", ".zip"], links
    assert all((pytester.path / "test_report" / link).is_file() for link in links), links
