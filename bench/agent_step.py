"""One agent step against Playwright's own locator click, on a page of 1,000 buttons.

Prints the median time of `agent.run("click Item 500")` next to
`page.get_by_role("button", name="Item 500", exact=True).click()` on the same page, in the
same run, and their ratio. The agent's step includes a full harvest of the page.
"""

import argparse
import statistics
import time

from kelvo_web import WebAgent

ELEMENTS = 1000
TARGET = ELEMENTS // 2
ROUNDS = 7


def synthetic_page(count):
    buttons = "\n".join(
        f'<button type="button" onclick="this.dataset.clicks = (+this.dataset.clicks || 0) + 1">Item {n}</button>'
        for n in range(count)
    )
    grid = "display:grid;grid-template-columns:repeat(10,1fr)"
    return f"<!DOCTYPE html><html><body><h1>Bench</h1><div style='{grid}'>{buttons}</div></body></html>"


def median_seconds(action, rounds):
    action()  # warm-up: first harvest, first locator resolution
    times = []
    for _ in range(rounds):
        started = time.perf_counter()
        action()
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--rounds", type=int, default=ROUNDS)
    rounds = options.parse_args().rounds
    agent = WebAgent()
    agent.step_timeout_ms = 120000  # a slow reading of the page must not end the step
    page = agent.page
    page.set_content(synthetic_page(ELEMENTS))
    target = f"Item {TARGET}"

    agent_time = median_seconds(lambda: agent.run(f"click {target}"), rounds)
    playwright_time = median_seconds(lambda: page.get_by_role("button", name=target, exact=True).click(), rounds)
    clicks = page.get_by_role("button", name=target, exact=True).get_attribute("data-clicks")
    agent.close()

    print(f"page: {ELEMENTS} buttons, target {target!r}, median of {rounds} rounds (clicks counted: {clicks})")
    rows = [
        ('agent.run("click ...")', f"{agent_time * 1000:.1f} ms"),
        ("get_by_role(...).click()", f"{playwright_time * 1000:.1f} ms"),
        ("ratio agent / Playwright", f"{agent_time / playwright_time:.2f}   (target: at most 2)"),
    ]
    for name, figure in rows:
        print(f"{name:<28}{figure}")


if __name__ == "__main__":
    main()
