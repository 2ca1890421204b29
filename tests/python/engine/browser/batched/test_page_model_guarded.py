"""The page model installed ahead of the page (as an init script) takes the built-ins it
uses before any page script runs: a page that replaces them gets the same answers as a
clean page. Only the model's own columns are compared; the harvest's script texts run
as the page's own code, with whatever the page left them."""

import json

import pytest
from batched_support import FORM, SHADOW, make_plan

from kelvo_web.engine.browser import harvester

# Replacements a page might make, each of which would break a model that looked
# built-ins up at harvest time.
HOSTILE = """<script>
  Array.prototype.map = function () { throw new Error('map'); };
  Array.prototype.push = function () { throw new Error('push'); };
  Array.prototype.includes = () => true;
  JSON.stringify = () => '"spoofed"';
  Element.prototype.getBoundingClientRect = function () { return new DOMRect(0, 0, 0, 0); };
  for (const proto of [Element.prototype, Document.prototype, DocumentFragment.prototype]) {
    proto.querySelectorAll = function () { return []; };
  }
  Element.prototype.getAttribute = function () { return 'spoofed'; };
  Element.prototype.closest = function () { return null; };
  Map.prototype.get = function () { return undefined; };
  Set.prototype.has = () => true;
  RegExp.prototype.exec = () => null;
  String.prototype.trim = () => 'spoofed';
  String.prototype.toLowerCase = () => 'spoofed';
  window.getComputedStyle = () => ({ getPropertyValue: () => 'hidden', visibility: 'hidden' });
  Object.prototype.checkOpacity = true;
</script>"""

MODEL_COLUMNS = ["queries", "lookups", "visible", "enabled", "texts", "boxes", "attributes"]
INSTALLED = "window.__pageModelForTest"


def split_batch_script(script):
    """(bundle, plan call) of the batch script "() => (<bundle>)(<plan>)"."""
    end = script.index("return main;\n})()") + len("return main;\n})()")
    return script[len("() => (") : end], script[end + 1 :]


def with_script(script, markup):
    """markup with script at its start, after a doctype (which must stay first)."""
    doctype = "<!DOCTYPE html>"
    if markup.startswith(doctype):
        return doctype + script + markup[len(doctype) :]
    return script + markup


def answers(page, markup, plan_call):
    page.route("http://fixture.test/", lambda route: route.fulfill(content_type="text/html", body=markup))
    page.goto("http://fixture.test/")
    result = json.loads(page.evaluate(f"() => {INSTALLED}{plan_call}"))
    return {name: result[name] for name in MODEL_COLUMNS}


@pytest.mark.parametrize("markup", [FORM, "<!DOCTYPE html>" + FORM, SHADOW], ids=["form", "standards", "shadow"])
def test_a_page_replacing_built_ins_gets_the_clean_answers(page, markup):
    bundle, plan_call = split_batch_script(harvester._batch_script(make_plan()))
    page.add_init_script(f"{INSTALLED} = {bundle};")
    page.set_viewport_size({"width": 800, "height": 600})
    # The same markup around an empty script, so that only the replacements differ.
    clean = answers(page, with_script("<script></script>", markup), plan_call)
    # The model found something on every question, so an equal answer is no accident.
    assert clean["queries"][0] and True in clean["visible"] and any(clean["texts"])
    assert answers(page, with_script(HOSTILE, markup), plan_call) == clean
