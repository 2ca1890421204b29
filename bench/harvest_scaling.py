"""How the agent's harvest grows with the page: 1,000, 10,000 and 50,000 interactable
elements, side by side in one run, with the time per 1,000 elements (flat when growth is
linear), the records' count and the test process's memory after each harvest. Beside the
whole harvest, the narrowed one a step takes ("click Button K", K in the middle of the page):
its time, its records and the whole harvest's time against it, the two read in alternation.

Run: .venv/bin/python bench/harvest_scaling.py [--quick]   (--quick stops at 10,000)
"""

import gc
import resource
import sys
import time

from harvest_batched import synthetic_page

from kelvo_web.agent import finding
from kelvo_web.browser import new_page
from kelvo_web.engine.browser.harvester import DOMParser

SIZES = [1000, 10000, 50000]
RUNS = 3  # best of


def resident_mib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def best_harvest(page, narrow):
    """The best whole and narrowed harvest times of RUNS rounds, read in alternation, with the
    records of each."""
    best, records = [None, None], [None, None]
    for _ in range(RUNS):
        for which, read in enumerate(
            (
                lambda: DOMParser(page).extract_interactable_elements(),
                lambda: DOMParser._harvest(page, snapshot=False, narrow=narrow)[:2],
            )
        ):
            gc.collect()
            start = time.perf_counter()
            records[which] = read()
            seconds = time.perf_counter() - start
            best[which] = seconds if best[which] is None else min(best[which], seconds)
    return best, records


def main():
    sizes = SIZES[:2] if "--quick" in sys.argv else SIZES
    page = new_page()
    page.set_viewport_size({"width": 1280, "height": 800})
    print(
        f"{'elements':>8} {'nodes':>7} {'harvest ms':>10} {'ms/1000':>8} {'vs 1,000':>8} "
        f"{'records':>8} {'RSS MiB':>8} {'peak MiB':>8} {'narrowed ms':>11} {'records':>8} {'whole/narrowed':>14}"
    )
    base = None
    for n in sizes:
        page.set_content(synthetic_page(n))
        nodes = page.evaluate("() => document.querySelectorAll('*').length")
        middle = (n // 2) // 5 * 5 + 1  # a button (every fifth element, from the second)
        narrow = finding.read_step(f"click Button {middle}")[4]
        (seconds, narrowed_s), ((elements, texts), (kept, kept_texts)) = best_harvest(page, narrow)
        per_thousand = seconds * 1000 / (n / 1000)
        base = base or per_thousand
        peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
        print(
            f"{n:>8,} {nodes:>7,} {seconds * 1000:>10.0f} {per_thousand:>8.1f} {per_thousand / base:>7.2f}x "
            f"{len(elements) + len(texts):>8,} {resident_mib():>8.0f} {peak:>8.0f} {narrowed_s * 1000:>11.1f} "
            f"{len(kept) + len(kept_texts):>8,} {seconds / narrowed_s:>13.1f}x"
        )
        del elements, texts
    page.context.close()


if __name__ == "__main__":
    main()
