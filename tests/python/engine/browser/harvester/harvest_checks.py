"""Shared by the real-page test and the page benchmark: serving a folder over loopback
HTTP, and the layout and order every harvest must keep."""

import contextlib
import functools
import http.server
import os
import threading
from pathlib import Path

from kelvo_web.engine.browser import harvester as hv

REPO_ROOT = Path(__file__).resolve().parents[5]

DESCRIPTOR_KEYS = ["tag", "text", "attributes", "bounding_box", "is_visible", "is_enabled", "xpath"]
CUSTOM_KEYS = DESCRIPTOR_KEYS[:-1] + ["is_editable_field", "xpath"]
TEXT_KEYS = ["tag", "text", "has_direct_text", "attributes", "bounding_box", "is_visible", "is_enabled", "xpath"]
BOX_KEYS = ["x", "y", "width", "height"]


def shared_pages():
    """The folder of real pages beside the repository (or KELVO_SHARED_PAGES), or None."""
    folder = Path(os.environ.get("KELVO_SHARED_PAGES") or REPO_ROOT.parent / "shared" / "pages")
    return folder if folder.is_dir() else None


@contextlib.contextmanager
def serve(folder):
    """Serves `folder` on 127.0.0.1 from a thread; yields the base address."""

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=str(folder)))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}/"
    finally:
        server.shutdown()
        server.server_close()


def source_of(element):
    if "is_editable_field" in element:
        return 1
    if all(type(v) is int for v in element["bounding_box"].values()):
        return 2
    return 0


def _ordered_subsequence(keys, order):
    positions = [order.index(k) for k in keys]
    return positions == sorted(positions)


def _check_attributes(attributes, leading):
    """`leading` names in their order, then data- attributes, then "_label" last."""
    keys = [k for k in attributes if k != "_label"]
    lead = [k for k in keys if k in leading]
    assert keys[: len(lead)] == lead and _ordered_subsequence(lead, leading), keys
    assert all(k.startswith("data-") for k in keys[len(lead) :]), keys
    if "_label" in attributes:
        assert list(attributes)[-1] == "_label"
        label = attributes["_label"]
        assert label and label == label.strip(), label


def check_harvest(page, elements, text_elements):
    """Raises AssertionError naming the first record that breaks the record layouts."""
    sources = [source_of(e) for e in elements]
    assert sources == sorted(sources), "native, then custom-input, then pointer descriptors"
    document_order = page.evaluate(f"() => Array.from(document.querySelectorAll('*'), {hv._XPATH_JS})")
    position = {xpath: i for i, xpath in enumerate(document_order)}

    def in_document_order(xpaths):
        # The driver's queries also reach into open shadow roots, whose paths start at
        # the shadow tree's top element; their place among light-DOM elements is the
        # driver's, so only light-DOM paths are held to document order.
        light = [position[x] for x in xpaths if x.startswith("/html[")]
        return all(x in position for x in xpaths if x.startswith("/html[")) and light == sorted(light)

    for source in (0, 1, 2):
        group = [e for e, s in zip(elements, sources) if s == source]
        xpaths = [e["xpath"] for e in group]
        if source:
            assert len(set(xpaths)) == len(xpaths), "one descriptor per XPath within a source"
        assert in_document_order(xpaths), "document order"

    for element, source in zip(elements, sources):
        assert list(element) == (CUSTOM_KEYS if source == 1 else DESCRIPTOR_KEYS), element
        assert list(element["bounding_box"]) == BOX_KEYS
        text = element["text"]
        assert text == text.strip(), element
        attributes = element["attributes"]
        if source == 2:
            assert element["tag"] == "button" and 1 <= len(text) <= 60, element
            assert set(attributes) <= {"class", "aria-label", "_label"}, element
        else:
            assert element["bounding_box"]["width"] > 0 and element["bounding_box"]["height"] > 0
            _check_attributes(attributes, list(hv.CAPTURED_ATTRIBUTES))
        if source:
            assert element["is_visible"] is True and element["is_enabled"] is True
        elif not element["is_visible"]:
            assert attributes.get("aria-label") or attributes.get("title"), element

    assert in_document_order([t["xpath"] for t in text_elements]), "text in document order"
    for text_element in text_elements:
        assert list(text_element) == TEXT_KEYS, text_element
        assert text_element["tag"] in hv._TEXT_TAGS
        assert text_element["text"] and text_element["text"] == text_element["text"].strip()
        assert isinstance(text_element["has_direct_text"], bool)
        assert "_label" not in text_element["attributes"]
        _check_attributes(text_element["attributes"], list(hv._TEXT_ATTRIBUTES))
        assert text_element["is_visible"] is True and text_element["is_enabled"] is True
