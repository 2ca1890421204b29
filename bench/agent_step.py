"""One agent step against Playwright's own locator clicks, on pages of N buttons.

For each page size, in one run and on the same page: the median time of
`agent.run("click Item K")` next to `page.get_by_text("Item K", exact=True).click()` and
`page.get_by_role("button", name="Item K", exact=True).click()`, and the ratios. The
agent's step includes reading the page, finding the element and the checks before the
click; the locators only find and click.

By default each action runs all its rounds in turn. With --interleave the three
alternate round by round: load on the machine then falls on all of them alike, but each
action also runs right after the others' clicks, and on this page Playwright's locator
clicks come out faster after an agent step than after their own; both orders are worth
reading.

With --place the agent's step names the button by its place instead (click Item K+1 right of
Item K), a phrase whose decision also reads the page's controls for a twin in the anchor's row.

Run: .venv/bin/python bench/agent_step.py [--rounds 7] [--sizes 100,1000,5000,10000] [--interleave] [--place]
"""

import argparse
import resource
import statistics
import time

from kelvo_web import WebAgent

SIZES = [100, 1000, 5000, 10000]
ROUNDS = 9
TARGETS = {1000: 1.0, 10000: 1.2, 100000: 1.5}  # the step's goal against get_by_text, where one is set
# Playwright's role locator takes minutes on larger pages (its accessible-name computation
# walks the page for every candidate), so it is timed only up to this size.
ROLE_MAX = 10000


def synthetic_page(count):
    buttons = "\n".join(
        f'<button type="button" onclick="this.dataset.clicks = (+this.dataset.clicks || 0) + 1">Item {n}</button>'
        for n in range(count)
    )
    grid = "display:grid;grid-template-columns:repeat(10,1fr)"
    return f"<!DOCTYPE html><html><body><h1>Bench</h1><div style='{grid}'>{buttons}</div></body></html>"


def median_seconds(action, rounds):
    action()  # warm-up: first reading, first locator resolution
    times = []
    for _ in range(rounds):
        started = time.perf_counter()
        action()
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def interleaved_medians(actions, rounds):
    """The median time of each action, their rounds interleaved: a burst of load on the
    machine then slows every action alike. Each action then also follows the others on
    the page, which changes their times too (see the module's notes)."""
    for action in actions:
        action()
    times = [[] for _ in actions]
    for _ in range(rounds):
        for action, kept in zip(actions, times):
            started = time.perf_counter()
            action()
            kept.append(time.perf_counter() - started)
    return [statistics.median(kept) for kept in times]


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--rounds", type=int, default=ROUNDS)
    options.add_argument("--sizes", default=",".join(map(str, SIZES)))
    options.add_argument("--interleave", action="store_true", help="alternate the three actions round by round")
    options.add_argument(
        "--place",
        action="store_true",
        help="the agent's step names the button by its place (click Item K+1 right of Item K), which also reads "
        "the controls' names for a twin in the anchor's row",
    )
    arguments = options.parse_args()
    sizes = [int(size) for size in arguments.sizes.split(",")]
    agent = WebAgent()
    agent.step_timeout_ms = 120000  # a slow reading of the page must not end the step
    page = agent.page
    order = "interleaved rounds" if arguments.interleave else "rounds of each action in turn"
    print(f"median of {arguments.rounds} {order}; the target is the middle button")
    print(
        f"{'buttons':>8} {'agent':>9} {'get_by_text':>12} {'get_by_role':>12} {'agent/text':>11} {'agent/role':>11}"
        f" {'peak MB':>8}"
    )
    for size in sizes:
        page.set_content(synthetic_page(size))
        # With --place, the button right of the middle one (a row starts with it: ten a row).
        middle = size // 2
        target = f"Item {middle + 1}" if arguments.place else f"Item {middle}"
        step = f"click {target} right of Item {middle}" if arguments.place else f"click {target}"
        actions = [
            lambda: agent.run(step),
            lambda: page.get_by_text(target, exact=True).click(),
        ]
        if size <= ROLE_MAX:
            actions.append(lambda: page.get_by_role("button", name=target, exact=True).click())
        if arguments.interleave:
            times = interleaved_medians(actions, arguments.rounds)
        else:
            times = [median_seconds(action, arguments.rounds) for action in actions]
        agent_time, text_time = times[0], times[1]
        clicks = int(page.get_by_text(target, exact=True).get_attribute("data-clicks"))
        expected = len(actions) * (arguments.rounds + 1)
        assert clicks == expected, f"{clicks} clicks counted on {target!r}, {expected} expected"
        goal = f"   (target: at most {TARGETS[size]})" if size in TARGETS else ""
        role_ms, role_ratio = (
            (f"{times[2] * 1000:10.1f}ms", f"{agent_time / times[2]:10.2f}x") if len(times) > 2 else ("-", "-")
        )
        # This process's peak so far (the browser's own memory is another process's).
        peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
        print(
            f"{size:>8} {agent_time * 1000:7.1f}ms {text_time * 1000:10.1f}ms {role_ms:>12} "
            f"{agent_time / text_time:10.2f}x {role_ratio:>11} {peak:8.0f}{goal}"
        )
    agent.close()


if __name__ == "__main__":
    main()
