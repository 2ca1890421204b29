"""A step's narrowed reading against the whole page's: on every page the suite has, steps made
from the page's own names give the same element, candidates and verdict either way, or the
narrowed reading declines and the step reads the whole page."""

import collections
import pathlib
import sys

import pytest

from kelvo_web.agent import finding
from kelvo_web.browser import new_page

TESTS = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TESTS / "engine" / "browser" / "batched"))
from batched_support import PAGES, SHARED_PAGES  # noqa: E402

FOLDERS = [
    TESTS / "agent" / "hostile",
    TESTS / "agent" / "live",
    TESTS / "ladder" / "pages",
    TESTS / "engine" / "browser" / "frames" / "pages",
    SHARED_PAGES,
]
# Pages whose document comes and goes on its own (it reloads, leaves, or aborts its load): two
# readings of one page may meet two documents there. Their steps are tested in the fault tests.
SELF_MOVING = {"never_loads.html", "navigating.html", "reloads_once.html"}
PER_KIND = 6  # steps of each kind a page gives, so the suite stays quick
TALLY = collections.Counter()


def _pages():
    found = [pytest.param(("html", html), id=name) for name, html in PAGES.items()]
    for folder in FOLDERS:
        for path in sorted(folder.rglob("*.html")) if folder.is_dir() else []:
            if folder.name == "hostile" and path.name in SELF_MOVING:
                continue
            found.append(pytest.param(("file", path), id=str(path.relative_to(folder.parent))))
    return found


def _name(text):
    line = " ".join((text or "").split())
    if not line or len(line) > 40 or not line.isascii() or '"' in line:
        return None
    return line


def _steps(reading):
    """Steps a tester could write on this page: each name clicked, hovered and checked, each
    field label typed into, names by ordinal and by place (which narrowing leaves to the
    whole page)."""
    names, labels, selects = [], [], []
    for element in reading.elements:
        attributes = element.get("attributes") or {}
        for value in (element.get("text"), attributes.get("aria-label"), attributes.get("placeholder")):
            name = _name(value)
            if name and name not in names:
                names.append(name)
        label = _name(attributes.get("_label"))
        if label and element.get("tag") in ("input", "textarea") and label not in labels:
            labels.append(label)
        if element.get("tag") == "select" and label:
            selects.append((label, (element.get("text") or "").split("\n")[0].strip()))
    texts = [n for n in (_name(t.get("text")) for t in reading.texts) if n]
    steps = [f"click {name}" for name in names[:PER_KIND]]
    steps += [f"verify {name} is visible" for name in names[PER_KIND : 2 * PER_KIND]]
    steps += [f"verify {name} is enabled" for name in names[-PER_KIND:]]
    steps += [f"type kelvo into {label}" for label in labels[:PER_KIND]]
    steps += [f"select {option} from {label}" for label, option in selects[:PER_KIND] if _name(option)]
    steps += [f"click the second {name}" for name in names[:2]]
    steps += [f"click {name} below {anchor}" for name, anchor in zip(names[:2], texts[:2])]
    steps += ["click Nothing Like This Here"]
    return list(dict.fromkeys(steps))


def _shown(decision):
    """What a decision says of the step: the element, the route, the candidates, the verdict, and
    what acting checks the element against. The row of that check may differ: the whole page's
    text de-duplication can drop the row the narrowed reading keeps, which only makes the
    narrowed step's check stricter."""
    if decision is None:
        return None
    seen = dict(decision.get("seen") or {}, row=None)
    result = decision["result"]
    xpath = lambda element: (element or {}).get("xpath")  # noqa: E731
    return (
        xpath(result.get("element")),
        decision.get("resolved_by"),
        [xpath(c) for c in result.get("candidates") or []],
        decision.get("verdict"),
        seen,
    )


@pytest.fixture(scope="module")
def browser_page():
    page = new_page()
    yield page
    page.context.close()


def _open(page, url):
    # A loaded machine has Chromium abort a file page's navigation now and then
    # (net::ERR_ABORTED); the page is the same on the next try.
    for attempt in range(3):
        try:
            page.goto(url, wait_until="domcontentloaded")
            return
        except Exception as error:
            if "ERR_ABORTED" not in str(error) or attempt == 2:
                raise


@pytest.mark.parametrize("source", _pages())
def test_a_narrowed_reading_decides_as_the_whole_page_does(browser_page, source):
    kind, what = source
    page = browser_page
    if kind == "html":
        page.set_content(what)
    else:
        _open(page, what.as_uri())
    whole = finding.harvest(page)
    differences = []
    for step in _steps(whole):
        try:
            parsed, plan, aim, extras, narrow = finding.read_step(step)
        except ValueError:
            continue
        if narrow is None or aim not in ("act", "check"):
            TALLY["whole"] += 1
            continue
        narrowed = finding.harvest(page, narrow=narrow)
        if narrowed.state != whole.state:
            # The page moved on by itself (an image or a font came in): both readings are
            # to be of one page.
            whole = finding.harvest(page)
            narrowed = finding.harvest(page, narrow=narrow)
        decision = plan.decide_narrowed(narrowed.elements, narrowed.texts)
        if decision is None:
            TALLY["declined"] += 1
            continue
        TALLY["narrowed"] += 1
        expected = finding.decide(page, plan, whole)
        if _shown(decision) != _shown(expected):
            differences.append((step, _shown(decision), _shown(expected)))
        assert len(narrowed.elements) <= len(whole.elements)
    assert not differences, differences


def test_the_tally_of_narrowed_steps(request):
    """Prints how many generated steps read narrowed, declined, or read the whole page."""
    print(f"\nnarrowed reading: {dict(TALLY)}")
