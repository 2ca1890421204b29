"""The page model is installed in every document before the page's own scripts run (an
init script of the context), taking the built-ins it uses then: a page that replaces them
(analytics and polyfill libraries do) is harvested exactly as the same page left alone."""

import pytest
from batched_support import FORM, SHADOW

from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser, _page_state

# Replacements a page might make, each of which would change or break a harvest that
# looked built-ins up at harvest time.
HOSTILE = """<script>
  Array.prototype.map = function () { throw new Error('map'); };
  Array.prototype.filter = function () { return []; };
  Array.prototype.push = function () { throw new Error('push'); };
  Array.prototype.includes = () => true;
  Array.prototype.join = () => 'spoofed';
  Array.prototype.toJSON = function () { return 'spoofed'; };
  Array.from = () => [];
  Object.fromEntries = () => ({ spoofed: true });
  JSON.stringify = () => '"spoofed"';
  Element.prototype.getBoundingClientRect = function () { return new DOMRect(0, 0, 0, 0); };
  for (const proto of [Element.prototype, Document.prototype, DocumentFragment.prototype]) {
    proto.querySelectorAll = function () { return document.createDocumentFragment().querySelectorAll('*'); };
  }
  Element.prototype.getAttribute = function () { return 'spoofed'; };
  Element.prototype.closest = function () { return null; };
  Map.prototype.get = function () { return undefined; };
  Set.prototype.has = () => true;
  RegExp.prototype.exec = () => null;
  String.prototype.trim = () => 'spoofed';
  String.prototype.toLowerCase = () => 'spoofed';
  String.prototype.startsWith = () => true;
  window.getComputedStyle = () => ({ getPropertyValue: () => 'hidden', visibility: 'hidden', cursor: 'auto' });
  Math.round = () => 0;
  Object.prototype.checkOpacity = true;
</script>"""

POINTER = """
<style>.tile{cursor:pointer;display:inline-block;padding:4px}</style>
<div class="tile" data-kind="a">Open tile</div><span class="tile" aria-label="Close">x</span>
<p>Total <b>42</b></p>
"""


def with_script(script, markup):
    """markup with script at its start, after a doctype (which must stay first)."""
    doctype = "<!DOCTYPE html>"
    if markup.startswith(doctype):
        return doctype + script + markup[len(doctype) :]
    return script + markup


def harvested(page, markup):
    page.route("http://fixture.test/", lambda route: route.fulfill(content_type="text/html", body=markup))
    page.goto("http://fixture.test/")
    parser = DOMParser(page)
    elements, texts = parser.extract_interactable_elements()
    return elements, texts, parser


@pytest.mark.parametrize(
    "markup",
    [FORM, "<!DOCTYPE html>" + FORM, SHADOW, POINTER],
    ids=["form", "standards", "shadow", "pointer"],
)
def test_a_page_replacing_built_ins_is_harvested_as_a_clean_one(page, markup):
    page.set_viewport_size({"width": 800, "height": 600})
    settings.HARVEST_MODE = "batched"
    try:
        # The same markup around an empty script, so that only the replacements differ.
        clean = harvested(page, with_script("<script></script>", markup))[:2]
        # The harvest found something, so an equal answer is no accident.
        assert clean[0] and any(e["is_visible"] and e["bounding_box"] for e in clean[0]) and clean[1]
        assert harvested(page, with_script(HOSTILE, markup))[:2] == clean
    finally:
        settings.HARVEST_MODE = ""


def test_the_change_state_moves_with_the_page_and_only_then(page):
    page.set_content("<button>Save</button><input id='name'><div id='log' style='height: 3000px'></div>")
    parser = DOMParser(page)
    parser.extract_interactable_elements()
    seen = parser._state
    assert seen and _page_state(page) == seen  # nothing happened since the harvest
    assert _page_state(page) == seen  # asking changes nothing
    changes = [
        ("a node added", lambda: page.evaluate("() => document.getElementById('log').append('saved')")),
        ("an attribute set", lambda: page.evaluate("() => document.body.setAttribute('data-x', '1')")),
        ("a scroll event", lambda: page.evaluate("() => window.dispatchEvent(new Event('scroll'))")),
        # Read before the scroll or resize event has arrived: the viewport itself is read.
        ("scrolled", lambda: page.evaluate("() => window.scrollTo(0, 200)")),
        ("resized", lambda: page.set_viewport_size({"width": 700, "height": 500})),
        ("hovered", lambda: page.hover("button")),
        ("typed into", lambda: page.type("#name", "A")),
        ("content replaced", lambda: page.set_content("<button>Save</button>")),
    ]
    for why, change in changes:
        change()
        now = _page_state(page)
        assert now != seen, why
        seen = now
    page.goto("data:text/html,<p>next</p>")
    assert _page_state(page) not in (None, seen)  # a new document, a new state


def test_a_page_without_the_model_is_read_all_the_same(page):
    # A page from elsewhere (not opened by this package) gets the model at its first harvest.
    context = page.context.browser.new_context()
    try:
        other = context.new_page()
        other.set_content("<button>Save</button>")
        assert _page_state(other) is None
        parser = DOMParser(other)
        elements, _ = parser.extract_interactable_elements()
        assert [e["text"] for e in elements] == ["Save"]
        assert _page_state(other) == parser._state
    finally:
        context.close()


# window.__kelvoLeaving forged (always true) or the page's beforeunload stopped: neither
# changes what the model's own listener saw.
FORGED_LEAVING = """<script>
  Object.defineProperty(window, '__kelvoLeaving', { get: () => true, set: () => {} });
  addEventListener('beforeunload', (event) => event.stopImmediatePropagation(), { capture: true });
</script><button>Save</button>"""


@pytest.mark.parametrize(
    "after_watch, leaving",
    [
        ("() => {}", False),
        ("() => { dispatchEvent(new Event('beforeunload')); }", True),
    ],
    ids=["stays", "leaves"],
)
def test_the_model_sees_the_page_leave_whatever_the_page_says(page, after_watch, leaving):
    from kelvo_web.page_scripts import guarded

    page.route("http://fixture.test/", lambda route: route.fulfill(content_type="text/html", body=FORGED_LEAVING))
    page.goto("http://fixture.test/")
    page.evaluate(guarded("(a, b, guard, model) => model.watchLeaving()"))
    page.evaluate(after_watch)
    assert page.evaluate(guarded("(a, b, guard, model) => model.leaving()")) is leaving
