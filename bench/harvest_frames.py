"""A page of frames against one page of the same elements, side by side in one run.

The framed page holds 10 iframes of 100 interactable elements each (the synthetic mix of
bench/harvest_batched.py: labelled fields, buttons, links, selects, role buttons); the
flat page holds the same 1,000 elements in one document. Both are harvested batched
(one page-model evaluation per document). The framed harvest also pays, per frame, for
finding the frame element and reading where it sits. Best of RUNS, in milliseconds.

Run: .venv/bin/python bench/harvest_frames.py
"""

import html
import time

from kelvo_web.browser import new_page
from kelvo_web.engine.browser.harvester import DOMParser

FRAMES = 10
PER_FRAME = 100
RUNS = 7


def elements(n, prefix):
    parts = ["<style>.card{cursor:pointer;border:1px solid #ccc;margin:2px;display:inline-block}</style>"]
    for i in range(n):
        key = f"{prefix}{i}"
        kind = i % 5
        if kind == 0:
            parts.append(f'<div class="row"><label for="f{key}">Field {key}</label><input id="f{key}"></div>')
        elif kind == 1:
            parts.append(f'<div class="row"><span>Note {key}</span><button>Button {key}</button></div>')
        elif kind == 2:
            parts.append(f'<p>Paragraph {key} with <a href="#a{key}">link {key}</a></p>')
        elif kind == 3:
            parts.append(f'<div class="row"><h3>Pick {key}</h3><select name="s{key}"><option>A</option></select></div>')
        else:
            parts.append(f'<div class="card"><span>Card {key}</span><div role="button">Open {key}</div></div>')
    return "".join(parts)


def framed_page():
    frames = [
        f'<iframe width="600" height="300" srcdoc="{html.escape(elements(PER_FRAME, f"{k}-"))}"></iframe>'
        for k in range(FRAMES)
    ]
    return "<h1>Framed page</h1>" + "".join(frames)


def flat_page():
    return "<h1>Flat page</h1>" + elements(FRAMES * PER_FRAME, "")


def best_ms(page):
    best, found = None, None
    for _ in range(RUNS):
        start = time.perf_counter()
        found = DOMParser(page).extract_interactable_elements()
        elapsed = (time.perf_counter() - start) * 1000
        best = elapsed if best is None else min(best, elapsed)
    return best, len(found[0]), len(found[1])


def main():
    page = new_page()
    try:
        rows = []
        for name, content in (
            ("1 page of 1,000 elements", flat_page()),
            (f"{FRAMES} frames of {PER_FRAME} elements", framed_page()),
        ):
            page.set_content(content)
            page.wait_for_load_state("load")
            rows.append((name, *best_ms(page)))
        print(f"{'page':<28}{'harvest ms':>12}{'elements':>10}{'texts':>8}")
        for name, ms, count, texts in rows:
            print(f"{name:<28}{ms:>12.1f}{count:>10}{texts:>8}")
        print(f"framed / flat: {rows[1][1] / rows[0][1]:.2f}x")
    finally:
        page.context.close()


if __name__ == "__main__":
    main()
