"""What a step can say on a page: every phrase listed resolves back to its element when a step
reads the page anew, on every shared page and on pages made to be hard; the share of controls
that get a phrase is printed per page."""

import pathlib
import sys

import pytest

from kelvo_web.agent import finding, phrases
from kelvo_web.browser import new_page

TESTS = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TESTS / "engine" / "browser" / "batched"))
from batched_support import SHARED_PAGES, serve_shared_pages  # noqa: E402

# Twins only an ordinal or a place tells apart, a field named by its label, an unnamed icon
# button, a name that reads as a place phrase, and a control named by its id only.
HARD = """<!doctype html><html><body>
<h1>Basket</h1>
<div><span>Blue Backpack</span> <button>Add to cart</button></div>
<div><span>Red Hat</span> <button>Add to cart</button></div>
<div><span>Green Scarf</span> <button>Add to cart</button></div>
<label for="email">Email</label> <input id="email">
<label>Country <select><option>Germany</option><option>France</option></select></label>
<label><input type="checkbox"> Gift wrap</label>
<button aria-label="Delete">&#x1F5D1;</button> <button></button>
<a href="#x">Back to the shop near you</a>
<div id="pay" role="button" tabindex="0" style="cursor:pointer;width:20px;height:20px"></div>
<p>Total</p><p>$35.00</p>
</body></html>"""

SHARES = {}


FIXTURE_PAGES = [TESTS / "ladder" / "pages", TESTS / "engine" / "browser" / "frames" / "pages"]


def _pages():
    found = [pytest.param(("html", HARD), id="hard")]
    for folder in FIXTURE_PAGES:
        for path in sorted(folder.glob("*.html")):
            found.append(pytest.param(("file", path.as_uri()), id=f"{folder.parent.name}/{path.name}"))
    for path in sorted(SHARED_PAGES.rglob("*.html")) if SHARED_PAGES.is_dir() else []:
        where = path.relative_to(SHARED_PAGES).as_posix()
        found.append(pytest.param(("shared", where), id=path.parent.name + "/" + path.name))
    return found


@pytest.fixture(scope="module")
def shared_base():
    if not SHARED_PAGES.is_dir():
        yield None
        return
    address, server = serve_shared_pages()
    yield address
    server.shutdown()


@pytest.fixture(scope="module")
def browser_page():
    page = new_page()
    yield page
    page.context.close()


def _not_resolving_back(page, listing):
    """The listed steps that do not resolve to their element when the page is read anew, as a
    step reads it: with the extras only when the step wants them with its harvest."""
    readings = {wants: finding.harvest(page, extras=wants) for wants in (False, True)}
    wrong = []
    for row in [*listing["controls"], *listing["texts"]]:
        if not row["phrase"]:
            assert row["why"], row
            continue
        step = row["step"].replace("TEXT", "x").replace("OPTION", "x")
        _parsed, plan, _aim, wants, _narrow = finding.read_step(step)
        decision = finding.decide(page, plan, readings[bool(wants)])
        got = decision["result"].get("element") if decision else None
        if (got or {}).get("xpath") != row["xpath"]:
            wrong.append((row["step"], row["xpath"], (got or {}).get("xpath")))
    return wrong


@pytest.mark.parametrize("source", _pages())
def test_every_phrase_listed_resolves_back_to_its_element(source, shared_base, browser_page):
    kind, where = source
    page = browser_page
    if kind == "html":
        page.set_content(where)
    elif kind == "file":
        page.goto(where, wait_until="domcontentloaded")
    else:
        page.goto(shared_base + where)
        if where.startswith("aria-practices/"):
            page.wait_for_load_state("networkidle")  # these fetch parts of themselves after load
    for _attempt in range(2):
        listing = phrases.phrases(page)
        wrong = _not_resolving_back(page, listing)
        if not wrong:
            break
        # A page that changes by itself (a frame that navigates, one added late) is listed again
        # once it has settled; a phrase that is wrong on a page at rest stays wrong.
        page.wait_for_timeout(1000)
    assert not wrong, wrong
    assert listing["reached"] == sum(1 for row in listing["controls"] if row["phrase"])
    SHARES[where.rsplit("/tests/python/", 1)[-1] if kind != "html" else "hard"] = (
        listing["reached"],
        listing["interactable"],
    )
    if kind == "html":
        shown = sorted(row["step"] or row["why"] for row in listing["controls"])
        assert "click second Add to cart" in shown and "click third Add to cart" in shown, shown
        assert "type TEXT into Email" in shown and "select OPTION from Country" in shown, shown
        assert "click Delete" in shown and "click Gift wrap" in shown, shown
        table = phrases.as_table(listing)
        assert "(unreachable: pay) it has no name" in table and "9 of 10 controls have a phrase (90%)" in table


def test_zz_share_of_controls_with_a_phrase_per_page(capsys):
    """Printed with the run's output: how much of each page a step can reach by name or place."""
    lines = [
        f"{reached:4}/{total:<4} {reached / total * 100 if total else 100:5.1f}%  {page}"
        for page, (reached, total) in SHARES.items()
    ]
    with capsys.disabled():
        print("\ncontrols with a phrase, per page:\n" + "\n".join(lines))
    assert SHARES
