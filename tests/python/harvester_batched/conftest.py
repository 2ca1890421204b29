"""Shared material for the batched-harvest tests: the plan a harvest declares, fixture
pages, and a page proxy that counts the calls reaching the browser."""
import functools
import http.server
import pathlib
import threading

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[3]
SCRIPTS = ROOT / "core" / "engine" / "browser" / "harvester" / "scripts"
SHARED_PAGES = ROOT.parent / "shared" / "pages"

CAPTURED = ["id", "name", "type", "placeholder", "aria-label", "aria-labelledby", "title",
            "role", "href", "value", "class", "data-testid", "alt"]
INTERACTABLE = ", ".join(
    ["button", "input", "a", "select", "textarea"]
    + [f'[role="{r}"]' for r in ["button", "link", "textbox", "checkbox", "menuitem",
                                 "menuitemcheckbox", "menuitemradio", "option", "combobox",
                                 "searchbox", "spinbutton", "switch", "tab"]]
    + ["img[alt]", "img[data-testid]", "[data-testid]"])
CUSTOM = ", ".join(f"{tag}[class*='{cls}']:not(:has(input, textarea, select, button))"
                   for cls in ("editable", "input") for tag in ("span", "div"))
TEXT = "h1, h2, h3, h4, h5, h6, p, span, label, li, td, th, a, button, div"
CANDIDATES = "h1, h2, h3, h4, h5, h6, label, div, span, p"
SELECTORS = [INTERACTABLE, CUSTOM, TEXT, CANDIDATES]

# Element scripts beyond the harvest's own files, so the comparison also covers results
# of every kind: records in attribute order, booleans, null, numbers.
EXTRA_ELEMENT_SCRIPTS = [
    "el => el.tagName.toLowerCase()",
    "el => Object.fromEntries(Array.from(el.attributes).filter(a => a.name.startsWith('data-'))"
    ".map(a => [a.name, a.value]))",
    "el => Array.from(el.childNodes).some(n => n.nodeType === 3 && n.textContent.trim().length > 0)",
    "el => el.getAttribute('data-missing')",
    "el => el.childElementCount / 4",
    "function (el) { return [el.id, el.offsetWidth]; }",
    "el => el.nosuch.property",
    "el => undefined",
]
EXTRA_PAGE_SCRIPTS = ["() => document.title", "() => { throw new Error('no') }"]


def harvest_script_texts():
    """The harvest's own page scripts: (element scripts, page scripts)."""
    element, page = [], []
    for path in sorted(SCRIPTS.glob("*.js")):
        if path.stem == "batch_harvest":
            continue
        text = path.read_text()
        (page if text.lstrip().startswith("()") else element).append(text)
    return element, page


def make_plan():
    element, page = harvest_script_texts()
    everywhere = [{"selector": i, "tags": None} for i in range(len(SELECTORS))]
    fields = [{"selector": 0, "tags": ["input", "textarea"]}, {"selector": 1, "tags": None}]
    return {
        "selectors": SELECTORS,
        "attributes": CAPTURED,
        "enabled_on": list(range(len(SELECTORS))),
        "details": everywhere,
        "element_scripts": [{"text": t, "on": everywhere}
                            for t in dict.fromkeys(element + EXTRA_ELEMENT_SCRIPTS)],
        "lookups": [
            {"attribute": "aria-labelledby", "prefix": "#", "suffix": "", "on": fields},
            {"attribute": "id", "prefix": 'label[for="', "suffix": '"]', "on": fields},
        ],
        "page_scripts": page + EXTRA_PAGE_SCRIPTS,
    }


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


@pytest.fixture(scope="session")
def shared_pages_server():
    """The shared page corpus over http on loopback; skips when the corpus is absent."""
    if not SHARED_PAGES.is_dir():
        pytest.skip("../shared/pages is not present")
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=str(SHARED_PAGES))

    class Quiet(handler.func):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Quiet, directory=str(SHARED_PAGES)))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_address[1]}/"
    server.shutdown()


def shared_page_paths():
    if not SHARED_PAGES.is_dir():
        return []
    return sorted(str(p.relative_to(SHARED_PAGES)) for p in SHARED_PAGES.rglob("*.html")
                  if "templates" not in p.parts)
