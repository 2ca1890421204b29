"""One full harvest of a synthetic page with 100 and with 1,000 interactable elements,
through a proxy that counts every driver call.

    .venv/bin/python bench/harvest_percall.py [sizes...]

Prints, per size, the driver calls (in total, per element and per operation) and the
time per element, and how the larger page compares with the smaller one.
"""

import collections
import sys
import time

from kelvo_web.browser import new_page
from kelvo_web.engine.browser.harvester import DOMParser


class CountingHandle:
    def __init__(self, handle, counts):
        self._handle, self._counts = handle, counts

    def __getattr__(self, name):
        method = getattr(self._handle, name)

        def call(*args):
            self._counts["handle." + name] += 1
            return method(*args)

        return call


class CountingPage:
    """Offers the page operations the harvester uses and counts each call."""

    def __init__(self, page):
        self._page = page
        self.counts = collections.Counter()

    @property
    def url(self):
        self.counts["page.url"] += 1
        return self._page.url

    def query_selector_all(self, selector):
        self.counts["page.query_selector_all"] += 1
        return [CountingHandle(h, self.counts) for h in self._page.query_selector_all(selector)]

    def query_selector(self, selector):
        self.counts["page.query_selector"] += 1
        found = self._page.query_selector(selector)
        return None if found is None else CountingHandle(found, self.counts)

    def evaluate(self, script):
        self.counts["page.evaluate"] += 1
        return self._page.evaluate(script)


def synthetic_page(size):
    """`size` interactable elements in the mix of a form-heavy page: a quarter each of
    labelled inputs, buttons, links and role-based widgets, under a heading per row."""
    rows = []
    for i in range(size // 4):
        rows.append(
            f"<section><h3>Row {i}</h3>"
            f'<label for="f{i}">Field {i}</label><input id="f{i}" name="f{i}" placeholder="Value {i}">'
            f'<button data-testid="save-{i}" class="btn">Save {i}</button>'
            f'<a href="#r{i}">Details {i}</a>'
            f'<div role="checkbox" aria-label="Pick {i}">Pick</div></section>'
        )
    return "<html><body>" + "".join(rows) + "</body></html>"


def measure(page, size):
    page.set_content(synthetic_page(size))
    counting = CountingPage(page)
    started = time.perf_counter()
    elements, text_elements = DOMParser(counting).extract_interactable_elements()
    seconds = time.perf_counter() - started
    return elements, text_elements, counting.counts, seconds


def main(sizes):
    page = new_page()
    try:
        results = {}
        for size in sizes:
            elements, text_elements, counts, seconds = measure(page, size)
            calls = sum(counts.values())
            results[size] = (calls / size, seconds / size)
            print(
                f"{size} interactable elements: {len(elements)} descriptors, "
                f"{len(text_elements)} text elements, {seconds:.2f} s"
            )
            print(
                f"  driver calls: {calls} ({calls / size:.1f} per element); "
                f"time per element: {1000 * seconds / size:.2f} ms"
            )
            for operation, count in counts.most_common():
                print(f"    {operation:<28} {count}")
        if len(sizes) > 1:
            small, large = sizes[0], sizes[-1]
            print(
                f"{large} vs {small}: calls per element x{results[large][0] / results[small][0]:.2f}, "
                f"time per element x{results[large][1] / results[small][1]:.2f}"
            )
    finally:
        page.context.close()


if __name__ == "__main__":
    main([int(a) for a in sys.argv[1:]] or [100, 1000])
