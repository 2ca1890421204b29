"""Material for the batched-harvest tests and benchmark: plans, the shared page corpus,
and a page proxy that counts the calls reaching the browser."""

import functools
import http.server
import pathlib
import threading

from kelvo_web.engine.browser import harvester

ROOT = pathlib.Path(__file__).resolve().parents[5]
SHARED_PAGES = ROOT.parent / "shared" / "pages"

CAPTURED = list(harvester.CAPTURED_ATTRIBUTES)

# Element scripts beyond the harvest's own, so the comparison also covers results of
# every kind: null, numbers, lists, a failing script, undefined.
EXTRA_ELEMENT_SCRIPTS = [
    "el => el.getAttribute('data-missing')",
    "el => el.childElementCount / 4",
    "function (el) { return [el.id, el.offsetWidth]; }",
    "el => el.nosuch.property",
    "el => undefined",
]
EXTRA_PAGE_SCRIPTS = ["() => document.title", "() => { throw new Error('no') }"]


def harvest_plan():
    """The plan of a full harvest, as the harvester batches it."""
    return harvester._harvest_plan()


def make_plan():
    """The harvest's plan widened to every question on every node of every query, so
    that the batch answers everything the driver could be asked."""
    plan = harvest_plan()
    everywhere = [{"selector": i, "tags": None} for i in range(len(plan["selectors"]))]
    plan["enabled_on"] = list(range(len(plan["selectors"])))
    plan["details"] = everywhere
    for script in plan["element_scripts"]:
        script["on"] = everywhere
    plan["element_scripts"] += [{"text": t, "on": everywhere} for t in EXTRA_ELEMENT_SCRIPTS]
    plan["page_scripts"] += EXTRA_PAGE_SCRIPTS
    return plan


# Fixture pages: every awkward case of visibility, enabled state, labels, custom inputs,
# pointer containers, nested and wrapped texts, shadow roots.
FORM = """
<style>.hide{visibility:hidden}.none{display:none}.ptr{cursor:pointer}</style>
<h1>Sign up</h1>
<form>
  <label for="email">Email</label><input id="email" name="email" placeholder=" Your email ">
  <input aria-label="   " id="spaces"><label for="spaces">Spaces only</label>
  <span id="nm">Name label</span><input aria-labelledby="nm">
  <input aria-labelledby="nm other" id="two-ids">
  <input aria-labelledby="1bad" id="1bad-id">
  <input aria-labelledby="x:visible" id='q"uote'>
  <textarea title="Notes"></textarea>
  <div><span>Contact</span><span>Email</span><input id="plain"></div>
  <div><b>Contact</b> text <i>Email</i><input></div>
  <input value="  Go  " type="submit">
  <input type="hidden" name="token" value="t">
  <input type="checkbox" id="agree"><label for="agree">I agree</label>
  <input id="Dup"><input id="Dup" aria-labelledby="Dup"><label for="Dup">Dup label</label>
  <label for="dup">lower-case twin</label><input id="-x" aria-labelledby="-1"><span id="-x">dash</span>
  <label>Wrapped <input type="radio" name="r"></label>
</form>
<button class="hide" title="Hidden with title">H</button>
<button class="hide">Hidden</button>
<button class="none" aria-label="gone">N</button>
<button style="width:0;padding:0;border:0;overflow:hidden">Zero width</button>
<span style="display:inline-block;height:0;overflow:hidden">zero height</span>
<fieldset disabled><legend><button>In legend</button><input></legend>
  <button>In fieldset</button><input><select><option>a</option></select></fieldset>
<div role="button" aria-disabled="true">ARIA disabled</div>
<div aria-disabled="true"><span role="button">inherits</span><a href="#x">link inherits</a>
  <div role="tab" aria-disabled="false">re-enabled</div><span role="switch">switch</span></div>
<label><span role="button">in label</span><input type="checkbox" disabled></label>
<select><option>One</option><optgroup disabled label="g"><option>Two</option></optgroup></select>
<select multiple><option role="option">M1</option></select>
<img alt="Logo" width="10" height="10" src="data:image/gif;base64,R0lGODlhAQABAAAAACw=">
<img alt="" width="10" height="10" role="presentation" aria-disabled="true" data-testid="pic">
<button data-testid="save" data-row="3" data-a="" class="btn primary">Save</button>
<div data-testid="card" class="ptr">Card</div>
<span class="cell-editable">Edit me</span><span class="my-Editable"></span>
<div class="Input-wrapper">Not matched</div>
<div class="input-group"><input placeholder="Promo"><button>Redeem</button></div>
<div class="ptr"><span>Buy now</span></div>
<ul><li class="ptr">one</li><span>x</span><li>two</li><li>three</li></ul>
<table role="grid"><tr><th>Head</th><td class="ptr" aria-disabled="true">Cell</td></tr></table>
<p>Some <a href="#">inline link</a> and <span>Total: 42 €</span> text</p>
<div style="width:90px"><a href="#w">a long inline link that wraps over lines</a></div>
<div style="display:contents"><button>in contents</button></div>
<div style="display:contents"></div>
<details><summary>More</summary><button>inside closed details</button></details>
<div style="opacity:0"><button>transparent</button></div>
<svg width="50" height="20"><a href="#svg"><text y="15">svg link</text></a></svg>
<div contenteditable="true"><span role="checkbox">editable box</span></div>
<div style="transform:rotate(10deg);width:100px"><button>rotated</button></div>
<div style="position:fixed;top:5px;right:5px"><button>fixed</button></div>
<button style="position:relative;left:0.3px;top:0.7px;width:33.33px">fractional</button>
<div style="height:1500px"></div><button>far below</button>
<div hidden><input aria-label="hidden attr"></div>
<span class="ptr">\U0001f600 smile</span>
"""

SHADOW = """
<h2>Outside</h2><button>light one</button>
<my-card></my-card>
<button>light two</button>
<div class="card-input"><my-box></my-box></div><span class="inline-editable">edit me</span>
<script>
  customElements.define('my-box', class extends HTMLElement {
    constructor() { super(); this.attachShadow({mode: 'open'}).innerHTML = '<input aria-label="boxed">'; }
  });
  customElements.define('my-card', class extends HTMLElement {
    constructor() {
      super();
      this.attachShadow({mode: 'open'}).innerHTML =
        '<label for="in">Inside label</label><input id="in"><button data-testid="deep">deep</button>' +
        '<span class="x-editable">shadow edit</span><div role="button">shadow div</div>' +
        '<div class="deep-input"><my-box></my-box></div>';
    }
  });
</script>
"""

EMPTY = "<p>No controls here</p>"

PAGES = {"form": FORM, "form-standards": "<!DOCTYPE html>" + FORM, "shadow": SHADOW, "empty": EMPTY}


LOG = None


class Counting:
    """Forwards to a page or handle and counts every call that reaches the browser."""

    def __init__(self, target, counter=None):
        self._target = target
        self.calls = counter if counter is not None else [0]

    @property
    def url(self):
        self.calls[0] += 1
        return self._target.url

    def __getattr__(self, name):
        attribute = getattr(self._target, name)
        if not callable(attribute):
            return attribute

        def call(*args):
            self.calls[0] += 1
            if LOG is not None:
                LOG.append((name, args[0][:50] if args and isinstance(args[0], str) else args))
            result = attribute(*args)
            if name == "query_selector_all":
                return [Counting(item, self.calls) for item in result]
            if name == "query_selector" and result is not None:
                return Counting(result, self.calls)
            return result

        return call


def shared_page_paths():
    if not SHARED_PAGES.is_dir():
        return []
    return sorted(str(p.relative_to(SHARED_PAGES)) for p in SHARED_PAGES.rglob("*.html") if "templates" not in p.parts)


def serve_shared_pages():
    """Serves the shared page corpus on loopback; returns (base address, server)."""
    handler = functools.partial(QuietHandler, directory=str(SHARED_PAGES))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_address[1]}/", server


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
