"""Harvests every page of the shared page folder (real pages from public projects) and
checks the record layouts and orders of each harvest.

    .venv/bin/python bench/harvest_pages.py

The folder is ../shared/pages beside the repository, or KELVO_SHARED_PAGES. Exits with
status 1 when a harvest fails or breaks a layout.
"""

import sys
import time
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "python" / "harvester"))

from harvest_checks import check_harvest, serve, shared_pages  # noqa: E402
from harvest_percall import CountingPage  # noqa: E402

from kelvo_web.browser import new_page  # noqa: E402
from kelvo_web.engine.browser.harvester import DOMParser  # noqa: E402


def main():
    folder = shared_pages()
    if folder is None:
        print("No shared page folder found; set KELVO_SHARED_PAGES.")
        return 0
    names = sorted(str(p.relative_to(folder)) for p in folder.rglob("*.html"))
    failures = 0
    total_elements = total_seconds = total_calls = 0
    page = new_page()
    try:
        with serve(folder) as base_url:
            for name in names:
                page.goto(base_url + name)
                counting = CountingPage(page)
                started = time.perf_counter()
                try:
                    elements, text_elements = DOMParser(counting).extract_interactable_elements()
                    seconds = time.perf_counter() - started
                    check_harvest(page, elements, text_elements)
                except Exception:
                    failures += 1
                    print(f"FAIL {name}\n{traceback.format_exc()}")
                    continue
                calls = sum(counting.counts.values())
                total_elements += len(elements)
                total_seconds += seconds
                total_calls += calls
                print(
                    f"ok   {name}: {len(elements)} descriptors, {len(text_elements)} text elements, "
                    f"{calls} driver calls, {seconds:.2f} s"
                )
    finally:
        page.context.close()
    print(
        f"{len(names) - failures}/{len(names)} pages harvested and checked; "
        f"{total_elements} descriptors, {total_calls} driver calls, {total_seconds:.1f} s in harvests"
    )
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
