"""How many tester instructions resolve on real pages, by class of miss and by rung.

Serves ../shared/pages over http on 127.0.0.1 and runs each instruction of the table below
the way the agent resolves it: the text and spatial rules first, the ladder only when they
find nothing (or the chosen element refuses the action). An answer counts when it is the
element (CSS selector) or the text the tester means. Skips when the pages are absent.

    .venv/bin/python bench/ladder_coverage.py
"""

import collections
import functools
import http.server
import pathlib
import sys
import threading

PAGES = pathlib.Path(__file__).resolve().parents[1].parent / "shared" / "pages"

CHECKOUT = "bootstrap/checkout/index.html"
SIGN_IN = "bootstrap/sign-in/index.html"
ARIA_CHECKBOX = "aria-practices/patterns/checkbox/examples/checkbox.html"
ARIA_COMBO = "aria-practices/patterns/combobox/examples/combobox-select-only.html"
MDN_VALIDATION = "mdn-learning-area/html/forms/form-validation/full-example.html"
MDN_SHIPPING = "mdn-learning-area/html/forms/pseudo-classes/enabled-disabled-shipping.html"
MDN_SELECTS = "mdn-learning-area/html/forms/native-form-widgets/drop-down-content.html"
MDN_PLANETS = "mdn-learning-area/html/tables/assessment-finished/planets-data.html"
MDN_POSTCARD = "mdn-learning-area/html/forms/postcard-example/index.html"

# (class, page, instruction, what the tester means: "css:<selector>" or "text:<words>")
TABLE = [
    ("1 labels", SIGN_IN, "click Remember me", "css:#flexCheckDefault"),
    ("1 labels", CHECKOUT, "select United States from Country", "css:#country"),
    ("1 labels", CHECKOUT, "select California from State", "css:#state"),
    ("1 labels", CHECKOUT, "click Save this information for next time", "css:#save-info"),
    ("1 labels", CHECKOUT, "click PayPal", "css:#paypal"),
    ("1 labels", CHECKOUT, "verify Debit card is enabled", "css:#debit"),
    ("1 labels", ARIA_COMBO, "click Favorite Fruit", "css:#combo1"),
    ("1 labels", MDN_SHIPPING, "click Same as shipping address", "css:#billing-checkbox"),
    ("1 labels", MDN_SELECTS, "select Cherry from A simple select box", "css:#simple"),
    ("1 labels", MDN_VALIDATION, "click No", "css:#r2"),
    ("2 type words", SIGN_IN, "click the checkbox next to Remember me", "css:#flexCheckDefault"),
    ("2 type words", CHECKOUT, "click the second radio button", "css:#debit"),
    ("2 type words", CHECKOUT, "click the third radio", "css:#paypal"),
    ("2 type words", CHECKOUT, "click the checkbox next to Save this information for next time", "css:#save-info"),
    ("2 type words", CHECKOUT, "select Choose from the dropdown below Country", "css:#country"),
    ("2 type words", ARIA_CHECKBOX, "click the second checkbox", "css:#ex1 li:nth-child(2) [role=checkbox]"),
    ("2 type words", ARIA_COMBO, "click the combobox below Favorite Fruit", "css:#combo1"),
    ("2 type words", MDN_VALIDATION, "click the radio button next to Yes", "css:#r1"),
    ("2 type words", MDN_SHIPPING, "click the checkbox next to Same as shipping address", "css:#billing-checkbox"),
    ("3 extended text", CHECKOUT, "verify text right of Total (USD) is $20", "text:$20"),
    ("3 extended text", CHECKOUT, "extract text right of Total (USD)", "text:$20"),
    ("3 extended text", MDN_SHIPPING, "verify text Billing address is visible", "text:Billing address"),
    ("3 extended text", MDN_VALIDATION, "verify text Do you have a driver's license? is visible",
     "text:Do you have a driver's license?"),
    ("3 extended text", MDN_PLANETS, "verify text Data about the planets is present", "text:Data about the planets"),
    ("3 extended text", MDN_POSTCARD, "find text Send", "text:Send"),
    ("4 next candidate", CHECKOUT, "type alice into Username", "css:#username"),
    ("4 next candidate", CHECKOUT, "type 4111 into Credit card number", "css:#cc-number"),
]

ELEMENT_ACTIONS = {"click", "type", "select", "hover", "extract_text", "verify_present", "verify_visible",
                   "verify_enabled", "verify_disabled"}


def serve(root):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=str(root))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def matches(page, element, wanted):
    if element is None:
        return False
    kind, _, what = wanted.partition(":")
    if kind == "text":
        return what.lower() in (element.get("text") or "").lower()
    return page.evaluate("""([x, css]) => { const el = document.evaluate(x, document, null, 9, null).singleNodeValue;
        return !!el && el.matches(css); }""", [element["xpath"], what])


def acts(page, action, element, value):
    """Whether the element takes the action (type and select only; clicks are not tried)."""
    if action not in ("type", "select"):
        return True
    locator = page.locator("xpath=" + element["xpath"])
    try:
        if action == "type":
            locator.fill(value, timeout=500)
        else:
            locator.evaluate("el => { if (el.tagName !== 'SELECT') throw new Error('not a select'); }")
        return True
    except Exception:
        return False


def resolve(engine, page, instruction):
    """(rung, element, extras round trips) for one instruction, as the agent resolves it."""
    from kelvo_web import ladder

    parsed = engine.parser.parse(instruction)
    action = parsed["action"]
    dom, texts = engine.harvester(page).extract_interactable_elements()
    result, rung = engine.strategy.resolve(parsed, dom, texts), "text"
    if action in ELEMENT_ACTIONS and not result["resolved"]:
        result = engine.resolver(engine.builder(dom, texts).build()).resolve(parsed)
        rung = "spatial"
    if not ladder.rules_missed(parsed, result):
        element = result["element"]
        if acts(page, action, element, parsed.get("value") or ""):
            return rung, element, 0
        candidates = result.get("candidates") or []
        failed = next((i for i, c in enumerate(candidates) if c is element), 0)
        for candidate in ladder.retry_order(action, candidates, failed):
            if acts(page, action, candidate, parsed.get("value") or ""):
                return "next-candidate", candidate, 0
        return "refused", None, 0
    spatial = lambda more: engine.resolver(engine.builder(dom, more).build()).resolve(parsed)
    answer = ladder.climb(parsed, dom, texts, ladder.read_extras(page), spatial)
    if answer["resolved"]:
        return answer["resolved_by"], answer["element"], 1
    return "not found", None, 1


def main():
    if not PAGES.is_dir():
        print(f"skipped: {PAGES} is absent")
        return 0
    from types import SimpleNamespace

    from kelvo_web.browser import new_page
    from kelvo_web.engine.agent.grammar import InstructionParser
    from kelvo_web.engine.browser.harvester import DOMParser
    from kelvo_web.engine.spatial.cartographer import MatrixBuilder
    from kelvo_web.engine.spatial.surveyor import MatrixResolver
    from kelvo_web.engine.strategies.matcher import DOMStrategy

    engine = SimpleNamespace(parser=InstructionParser(), harvester=DOMParser, builder=MatrixBuilder,
                             resolver=MatrixResolver, strategy=DOMStrategy())
    server = serve(PAGES)
    base = f"http://127.0.0.1:{server.server_address[1]}/"
    page = new_page()
    by_class = collections.defaultdict(lambda: [0, 0, 0])  # rules right, with ladder right, total
    by_rung = collections.Counter()
    extra_trips = 0
    print(f"{'class':<18} {'rung':<15} {'ok':<3} instruction")
    for cls, path, instruction, wanted in TABLE:
        page.goto(base + path)
        page.wait_for_load_state("load")
        rung, element, trips = resolve(engine, page, instruction)
        extra_trips += trips
        ok = matches(page, element, wanted)
        row = by_class[cls]
        row[2] += 1
        if ok:
            row[1] += 1
            row[0] += rung in ("text", "spatial")
            by_rung[rung] += 1
        else:
            by_rung["wrong or missing"] += 1
        print(f"{cls:<18} {rung:<15} {'yes' if ok else 'no':<3} {instruction}")
    page.context.close()
    server.shutdown()
    print()
    print(f"{'class':<18} {'rules alone':>12} {'with ladder':>12}")
    total = [0, 0, 0]
    for cls in sorted(by_class):
        rules, ladder_ok, n = by_class[cls]
        total = [a + b for a, b in zip(total, by_class[cls])]
        print(f"{cls:<18} {rules:>5}/{n:<6} {ladder_ok:>5}/{n:<6}")
    print(f"{'all':<18} {total[0]:>5}/{total[2]:<6} {total[1]:>5}/{total[2]:<6}")
    print("by rung: " + ", ".join(f"{rung} {count}" for rung, count in by_rung.most_common()))
    print(f"extra round trips: {extra_trips} over {len(TABLE)} steps (at most one per step)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
