"""Batched against per-call harvest, side by side in one run.

Synthetic pages with 100, 1,000 and 5,000 interactable elements (labelled fields,
buttons, links, selects, role buttons), with text and pointer-cursor containers around
them. For each: the per-call harvest (skipped at 5,000, where it would take many
minutes), the batched harvest, their ratio, the driver calls of each, and for reference
one plain page script that visits every node and reads its box, computed style and text.
"native" is the agent's harvest, whose records stay in the core as native lists (no
dicts). "browser" is the batched harvest's one page-script call alone (a short call to the model
installed in the page), so the table shows how much of the harvest is the browser's and how
much building the records.
Then the text de-duplication of 10,000 text elements.

Run: .venv/bin/python bench/harvest_batched.py [--quick]
"""

import gc
import random
import sys
import time

from kelvo_web.browser import new_page
from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser, _harvest_plan, _model_scripts

SIZES = [100, 1000, 5000]
PER_CALL_LIMIT = 1000  # beyond this the per-call harvest takes too long to wait for
RUNS = 7  # best of, for every figure measured in milliseconds

ALL_NODES_SCRIPT = """() => {
  const out = [];
  for (const el of document.querySelectorAll('*')) {
    const r = el.getBoundingClientRect();
    const s = getComputedStyle(el);
    out.push([r.x, r.y, r.width, r.height, s.display, s.visibility, s.cursor, el.innerText]);
  }
  return JSON.stringify(out);
}"""


def synthetic_page(n):
    parts = [
        "<style>.card{cursor:pointer;border:1px solid #ccc;margin:2px;display:inline-block}"
        "</style><h1>Synthetic page</h1>"
    ]
    for i in range(n):
        kind = i % 5
        if kind == 0:
            parts.append(f'<div class="row"><label for="f{i}">Field {i}</label><input id="f{i}" name="f{i}"></div>')
        elif kind == 1:
            parts.append(f'<div class="row"><span>Note {i}</span><button data-testid="b{i}">Button {i}</button></div>')
        elif kind == 2:
            parts.append(f'<p>Paragraph {i} with <a href="#a{i}">link {i}</a></p>')
        elif kind == 3:
            parts.append(f'<div class="row"><h3>Pick {i}</h3><select name="s{i}"><option>A</option></select></div>')
        else:
            parts.append(f'<div class="card"><span>Card {i}</span><div role="button">Open {i}</div></div>')
    return "".join(parts)


class Counting:
    """Forwards to the page and its handles, counting every driver call."""

    def __init__(self, target, counter=None):
        self._target = target
        self.calls = counter if counter is not None else [0]

    @property
    def url(self):
        self.calls[0] += 1
        return self._target.url

    def __getattr__(self, name):
        attribute = getattr(self._target, name)

        def call(*args):
            self.calls[0] += 1
            result = attribute(*args)
            if name == "query_selector_all":
                return [Counting(item, self.calls) for item in result]
            if name == "query_selector" and result is not None:
                return Counting(result, self.calls)
            return result

        return call


def timed(action):
    """(seconds, result) of one run, with the cycle collector held off as timeit does, so
    a collection started by earlier garbage is not charged to whichever run meets it."""
    gc.collect()
    gc.disable()
    try:
        start = time.perf_counter()
        result = action()
        return time.perf_counter() - start, result
    finally:
        gc.enable()


def harvest(page, mode):
    settings.HARVEST_MODE = mode
    counting = Counting(page)
    seconds, result = timed(DOMParser(counting).extract_interactable_elements)
    return seconds, counting.calls[0], result


def best_of(runs, action):
    return min(timed(action)[0] for _ in range(runs))


def harvest_table(quick):
    page = new_page()
    page.set_viewport_size({"width": 1280, "height": 800})
    # The page's model is installed (an init script of the context): a harvest asks it.
    batch_script = _model_scripts(_harvest_plan())["ask"]
    print(
        f"{'elements':>8} {'nodes':>6} {'per-call':>10} {'calls':>7} {'batched':>9} {'calls':>5} "
        f"{'ratio':>7} {'all-node':>9} {'batched/all-node':>16} {'native/all-node':>15} {'browser':>8} "
        f"{'browser/all-node':>16}"
        f"  same records"
    )
    for n in SIZES:
        page.set_content(synthetic_page(n))
        nodes = page.evaluate("() => document.querySelectorAll('*').length")
        if n <= PER_CALL_LIMIT and not quick:
            per_call_time, per_call_calls, per_call_result = harvest(page, "per-call")
        else:
            per_call_time = per_call_calls = per_call_result = None
        batched_time, batched_calls, batched_result = harvest(page, "batched")
        for _ in range(RUNS - 1):
            batched_time = min(batched_time, harvest(page, "batched")[0])
        settings.HARVEST_MODE = "batched"
        native = best_of(RUNS, lambda: DOMParser(page)._extract_native())
        all_node = best_of(RUNS, lambda: page.evaluate(ALL_NODES_SCRIPT))
        browser = best_of(RUNS, lambda: page.evaluate(batch_script))
        same = "-" if per_call_result is None else ("yes" if per_call_result == batched_result else "NO")
        per_call_text = "skipped" if per_call_time is None else f"{per_call_time:9.2f}s"
        calls_text = "-" if per_call_calls is None else str(per_call_calls)
        ratio = "-" if per_call_time is None else f"{per_call_time / batched_time:6.0f}x"
        print(
            f"{n:>8} {nodes:>6} {per_call_text:>10} {calls_text:>7} {batched_time * 1000:7.0f}ms "
            f"{batched_calls:>5} {ratio:>7} {all_node * 1000:7.0f}ms {batched_time / all_node:15.2f}x "
            f"{native / all_node:14.2f}x "
            f"{browser * 1000:6.0f}ms {browser / all_node:15.2f}x  {same}"
        )
    page.context.close()
    settings.HARVEST_MODE = ""


def dedup_records(n, seed=7):
    """Text elements as a page yields them: cards with a wrapper and its texts."""
    rng = random.Random(seed)
    records = []
    while len(records) < n:
        x, y = rng.randrange(0, 1200), rng.randrange(0, 20000)
        words = [f"word{rng.randrange(1000)}" for _ in range(3)]
        records.append(
            {
                "text": " ".join(words),
                "has_direct_text": False,
                "bounding_box": {"x": x, "y": y, "width": 300.0, "height": 60.0},
            }
        )
        for k, word in enumerate(words):
            records.append(
                {
                    "text": word,
                    "has_direct_text": True,
                    "bounding_box": {"x": x + 5.0 + 95 * k, "y": y + 5.0, "width": 90.0, "height": 20.0},
                }
            )
    return records[:n]


def dedup_table():
    records = dedup_records(10_000)
    # The same records, all with own text: conversion and copying only, no comparisons.
    own = [dict(r, has_direct_text=True) for r in records]
    total = best_of(RUNS, lambda: DOMParser._dedup_text_elements(records))
    conversion = best_of(RUNS, lambda: DOMParser._dedup_text_elements(own))
    kept = len(DOMParser._dedup_text_elements(records))
    print(
        f"\nde-duplication of {len(records)} text elements ({kept} kept): {total * 1000:.1f} ms through "
        f"the binding, of which {conversion * 1000:.1f} ms converting records; core about "
        f"{max(total - conversion, 0) * 1000:.1f} ms"
    )


if __name__ == "__main__":
    quick = "--quick" in sys.argv
    harvest_table(quick)
    dedup_table()
