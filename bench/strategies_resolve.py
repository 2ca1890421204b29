"""Time of DOMStrategy.resolve per call through Python beside the core alone.

The Python figure includes converting the caller's records on every call; the core figure
converts once and loops inside the extension. Their ratio shows what conversion costs.

    .venv/bin/python bench/strategies_resolve.py
"""

import time

from kelvo_web.engine.strategies.matcher import DOMStrategy, _bench_resolve

SIZES = [100, 1_000, 10_000]
WORDS = ["Order", "Invoice", "Customer", "Product", "Shipping", "Détails", "Prix", "Résumé"]


def dom_elements(n):
    """Buttons, links and fields in rows, one Submit button and one Email field among them."""
    records = []
    for i in range(n):
        kind = ("button", "a", "input", "span")[i % 4]
        word = WORDS[i % len(WORDS)]
        attributes = {
            "id": f"{word.lower()}-{i}",
            "class": f"btn btn-primary {word.lower()}-action",
            "data-row": str(i),
        }
        if kind == "input":
            attributes["_label"] = f"{word} {i}"
            attributes["placeholder"] = f"Enter {word.lower()}"
        records.append(
            {
                "tag": kind,
                "text": "" if kind == "input" else f"{word} {i}\u00a0€",
                "attributes": attributes,
                "bounding_box": {"x": (i % 10) * 80.0, "y": (i // 10) * 30.0, "width": 70.0, "height": 24.0},
                "is_visible": i % 7 != 0,
                "is_enabled": True,
                "xpath": f"/html[1]/body[1]/div[{i // 10 + 1}]/{kind}[{i % 10 + 1}]",
            }
        )
    middle = n // 2
    records[middle].update(tag="button", text="Submit", is_enabled=False)
    records[middle + 1].update(tag="input", text="")
    records[middle + 1]["attributes"]["_label"] = "Email"
    return records


def text_elements(n):
    """Text in rows, with a "Total" label and its value below it near the end."""
    records = []
    for i in range(n):
        records.append(
            {
                "tag": ("span", "p", "td", "li")[i % 4],
                "text": f"{WORDS[i % len(WORDS)]} line {i}",
                "has_direct_text": True,
                "attributes": {},
                "bounding_box": {"x": (i % 10) * 80.0, "y": (i // 10) * 30.0, "width": 70.0, "height": 24.0},
                "is_visible": True,
                "is_enabled": True,
                "xpath": f"/html[1]/body[1]/div[{i // 10 + 1}]/span[{i % 10 + 1}]",
            }
        )
    anchor, value = n - 20, n - 10  # one row apart, same column
    records[anchor]["text"] = "Total"
    records[value]["text"] = "$42.00"
    return records


INSTRUCTIONS = [
    (
        "click Product 3",
        {"action": "click", "target": "Product 3", "value": None, "ordinal": 1, "_literal_target": False},
    ),
    ("type alice into Email", {"action": "type", "target": "Email", "value": "alice", "_literal_target": False}),
    (
        "verify Submit is disabled",
        {"action": "verify_disabled", "target": "Submit", "value": None, "_literal_target": False},
    ),
    (
        "verify text below Total is 42",
        {"action": "verify_spatial_text", "target": "below Total", "value": "42", "_literal_target": False},
    ),
]


def per_call(run, budget=0.4):
    """Seconds per call, repeating until the budget is spent (at least 3 calls)."""
    count, start = 0, time.perf_counter()
    while True:
        run()
        count += 1
        elapsed = time.perf_counter() - start
        if count >= 3 and elapsed >= budget:
            return elapsed / count


def main():
    strategy = DOMStrategy()
    print(f"{'records':>8}  {'instruction':<30} {'python µs':>11} {'core µs':>10} {'python/core':>12}")
    for n in SIZES:
        dom, text = dom_elements(n), text_elements(n)
        for name, parsed in INSTRUCTIONS:
            result = strategy.resolve(parsed, dom, text)
            assert result["resolved"], name
            python = per_call(lambda: strategy.resolve(parsed, dom, text))
            repeat = max(3, int(0.4 / max(python, 1e-7)))
            core = _bench_resolve(parsed, dom, text, repeat) / repeat
            print(f"{n:>8}  {name:<30} {python * 1e6:>11.1f} {core * 1e6:>10.1f} {python / core:>11.2f}x")


if __name__ == "__main__":
    main()
