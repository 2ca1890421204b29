"""Rules alone against the agent, side by side per class of miss, on the ladder's fixture
pages and on ../shared/pages, and over multi-step flows on the widget fixtures.

Each instruction runs on a freshly loaded page twice: once through the specified rules
alone (routed as the agent routes them, the element acted on through Playwright), once
end to end through WebAgent.run. An answer counts when it is the element (CSS selector),
the text or the page state the tester means. A flow counts when every step passes and the
application's stored state at the end is what the tester meant; the rules alone run its
steps one by one on one page. The shared pages are served over http on 127.0.0.1 and
skipped when absent. -v lists every case (R: rules right, A: agent right). The "before"
columns are this bench's figures for the engine before the widget model (main at 3a400ef).

    .venv/bin/python bench/ladder_coverage.py [-v]
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

DIALOG = "aria-practices/patterns/dialog-modal/examples/dialog.html"
DASHBOARD = "bootstrap/dashboard/index.html"
SORTABLE = "aria-practices/patterns/table/examples/sortable-table.html"

# (class, page, instruction, expectation) on the shared pages; classes and expectations as
# in tests/python/ladder/accuracy_cases.py.
SHARED_CASES = [
    ("1", DIALOG, "verify Verify Address is present", "css:#dialog1 button"),
    ("1", DIALOG, "verify Verify Address is visible", "fails"),
    ("2", DASHBOARD, "click Add a new report", "css:[aria-label='Add a new report']"),
    ("3", SIGN_IN, "click the checkbox next to Remember me", "css:#flexCheckDefault"),
    ("3", CHECKOUT, "click the second radio button", "css:#debit"),
    ("3", CHECKOUT, "click the third radio", "css:#paypal"),
    ("3", CHECKOUT, "click the checkbox next to Save this information for next time", "css:#save-info"),
    ("3", CHECKOUT, "select Choose from the dropdown below Country", "css:#country"),
    ("3", ARIA_CHECKBOX, "click the second checkbox", "css:#ex1 li:nth-child(2) [role=checkbox]"),
    ("3", ARIA_COMBO, "click the combobox below Favorite Fruit", "css:#combo1"),
    ("3", MDN_VALIDATION, "click the radio button next to Yes", "css:#r1"),
    ("3", MDN_SHIPPING, "click the checkbox next to Same as shipping address", "css:#billing-checkbox"),
    ("4", SORTABLE, "click Company", "css:th button"),
    ("6", SIGN_IN, "click Remember me", "css:#flexCheckDefault"),
    ("6", CHECKOUT, "select United States from Country", "css:#country"),
    ("6", CHECKOUT, "select California from State", "css:#state"),
    ("6", CHECKOUT, "click Save this information for next time", "css:#save-info"),
    ("6", CHECKOUT, "click PayPal", "css:#paypal"),
    ("6", CHECKOUT, "verify Debit card is enabled", "css:#debit"),
    ("6", ARIA_COMBO, "click Favorite Fruit", "css:#combo1"),
    ("6", MDN_SHIPPING, "click Same as shipping address", "css:#billing-checkbox"),
    ("6", MDN_SELECTS, "select Cherry from A simple select box", "css:#simple"),
    ("6", MDN_VALIDATION, "click No", "css:#r2"),
    ("6", CHECKOUT, "type alice into Username", "css:#username"),
    ("6", CHECKOUT, "type 4111 into Credit card number", "css:#cc-number"),
    ("7", CHECKOUT, "verify text right of Total (USD) is $20", "text:$20"),
    ("7", CHECKOUT, "extract text right of Total (USD)", "text:$20"),
    ("8", MDN_SHIPPING, "verify text Billing address is visible", "text:Billing address"),
    (
        "8",
        MDN_VALIDATION,
        "verify text Do you have a driver's license? is visible",
        "text:Do you have a driver's license?",
    ),
    ("8", MDN_PLANETS, "verify text Data about the planets is present", "text:Data about the planets"),
    ("8", MDN_POSTCARD, "find text Send", "text:Send"),
]

FIXTURES = pathlib.Path(__file__).resolve().parents[1] / "tests" / "python" / "ladder"
sys.path.insert(0, str(FIXTURES))

from accuracy_cases import CASES, CLASSES, FLOWS, VERIFY_ACTIONS, answer_of, judge  # noqa: E402

# Per class: (fixture cases right, flows right) of the agent before the widget model, as this
# bench measured them on that engine (main at 3a400ef with these cases and flows).
BEFORE = {
    **{cls: (right, 0) for cls, right in [("1", 10), ("2", 9), ("3", 12), ("4", 6), ("5", 6), ("6", 11),
                                          ("7", 9), ("8", 6), ("9", 21), ("10", 8), ("11", 13)]},
    "12": (4, 1), "13": (10, 3), "14": (8, 2), "15": (5, 2), "16": (5, 1),
    "17": (5, 2), "18": (7, 1), "19": (4, 0), "20": (5, 0), "21": (4, 0),
}


def serve(root):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=str(root))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def rules_outcome(engine, page, instruction):
    """(passed, element, answer) of the specified rules alone, routed as the agent routes
    them, the element acted on through Playwright as the agent would."""
    from kelvo_web.engine.agent._ladder import SPATIAL, resolver_order

    try:
        parsed = engine.parser.parse(instruction)
    except ValueError:
        return False, None, None  # a step only the agent reads (verify X is checked)
    action = parsed["action"]
    dom, texts = engine.harvester(page).extract_interactable_elements()
    routes = resolver_order(action, parsed["target"])
    result, route = None, None
    for route in routes:
        if route == SPATIAL:
            result = engine.resolver(engine.builder(dom, texts).build()).resolve(parsed)
        else:
            result = engine.strategy.resolve(parsed, dom, texts)
        if result.get("resolved"):
            break
    if not routes:
        result = engine.strategy.resolve(parsed, dom, texts)
    if not result.get("resolved"):
        return False, None, None
    element = result.get("element")
    if action in VERIFY_ACTIONS:
        if route == SPATIAL and action.startswith("verify_") and "text" not in action:
            flag = {"verify_present": "is_present", "verify_visible": "is_visible"}.get(action, "is_enabled")
            held = bool(element.get(flag, flag == "is_present"))
            passed = not held if action == "verify_disabled" else held
        else:
            passed = bool(result.get("verified"))
        return passed, element, answer_of(result)
    if action in ("click", "hover", "type", "select") and element is not None:
        locator = page.locator("xpath=" + element["xpath"])
        try:
            if action == "click":
                locator.click(timeout=1000)
            elif action == "hover":
                locator.hover(timeout=1000)
            elif action == "type":
                locator.fill(parsed.get("value") or "", timeout=1000)
            else:
                locator.select_option(label=parsed.get("value") or "", timeout=1000)
        except Exception:
            return False, element, None
    return True, element, answer_of(result)


def agent_outcome(agent, instruction):
    """(passed, element, answer, rung) of one step through WebAgent.run."""
    from kelvo_web.agent import StepFailure

    try:
        result = agent.run(instruction)
        passed = True
    except StepFailure as failure:
        result, passed = failure.result, False
    step = agent._steps[-1]
    element = (result or {}).get("element")
    return passed, element, answer_of(result), step.get("resolved_by") or "-"


def measure(new_page, items, address, verbose, rules_right, agent_right, timeout_ms):
    """Per class: [rules right, agent right, total] over the items (cases or flows), one
    fresh page each; `rules_right(page, item)` and `agent_right(agent, item)` judge them, the
    latter with a word for the -v listing."""
    from kelvo_web import WebAgent

    by_class = collections.defaultdict(lambda: [0, 0, 0])
    for item in items:
        cls, path = item[0], item[1]
        url = address(path)
        page = new_page()
        page.goto(url)
        rules_ok = rules_right(page, item)
        page.context.close()
        agent = WebAgent(url=url)
        agent.step_timeout_ms = timeout_ms
        try:
            agent_ok, said = agent_right(agent, item)
        finally:
            agent.close()
        row = by_class[cls]
        row[0] += rules_ok
        row[1] += agent_ok
        row[2] += 1
        if verbose:
            marks = ("R" if rules_ok else "-") + ("A" if agent_ok else "-")
            steps = item[2] if isinstance(item[2], str) else " / ".join(item[2])[:90]
            print(f"  {cls} {marks} {said:<15} {path.split('/')[-1]:<28} {steps}")
    return by_class


def case_by_rules(engine):
    return lambda page, case: judge(page, case[3], *rules_outcome(engine, page, case[2])[:3])


def case_by_agent(agent, case):
    passed, element, answer, rung = agent_outcome(agent, case[2])
    return judge(agent.page, case[3], passed, element, answer), rung


def flow_by_rules(engine):
    """The rules alone take a flow's steps one by one on one page."""
    return lambda page, flow: all(rules_outcome(engine, page, step)[0] for step in flow[2]) and judge(
        page, flow[3], True, None, None
    )


def flow_by_agent(agent, flow):
    from kelvo_web.agent import StepFailure

    try:
        agent.run_all("\n".join(flow[2]))
    except StepFailure:
        return False, "failed"
    return judge(agent.page, flow[3], True, None, None), "ran"


def main():
    from types import SimpleNamespace

    from kelvo_web.browser import new_page
    from kelvo_web.engine.agent.grammar import InstructionParser
    from kelvo_web.engine.browser.harvester import DOMParser
    from kelvo_web.engine.spatial.cartographer import MatrixBuilder
    from kelvo_web.engine.spatial.surveyor import MatrixResolver
    from kelvo_web.engine.strategies.matcher import DOMStrategy

    verbose = "-v" in sys.argv
    engine = SimpleNamespace(
        parser=InstructionParser(),
        harvester=DOMParser,
        builder=MatrixBuilder,
        resolver=MatrixResolver,
        strategy=DOMStrategy(),
    )
    pages = FIXTURES / "pages"
    print("fixture pages" if verbose else "", end="\n" if verbose else "")
    at = lambda path: (pages / path).as_uri()  # noqa: E731
    # Every fixture page is static: a miss is a miss; a flow's options may load after a round trip.
    fixtures = measure(new_page, CASES, at, verbose, case_by_rules(engine), case_by_agent, 1500)
    if verbose:
        print("flows")
    flows = measure(new_page, FLOWS, at, verbose, flow_by_rules(engine), flow_by_agent, 3000)
    shared, server = {}, None
    if PAGES.is_dir():
        server = serve(PAGES)
        base = f"http://127.0.0.1:{server.server_address[1]}/"
        if verbose:
            print("shared pages")
        shared = measure(
            new_page, SHARED_CASES, lambda path: base + path, verbose, case_by_rules(engine), case_by_agent, 1500
        )
        server.shutdown()
    else:
        print(f"shared pages skipped: {PAGES} is absent")
    print()
    print(
        f"{'class':<34} {'fixture: rules':>14} {'agent':>7} {'before':>7}   {'flows: rules':>12} {'agent':>6} "
        f"{'before':>7}   {'shared: rules':>13} {'agent':>6}"
    )
    totals = [[0, 0, 0], [0, 0, 0], [0, 0, 0]]
    before_totals = [0, 0]

    def cell(row, i):
        return f"{row[i]}/{row[2]}" if row[2] else "-"

    for cls, name in CLASSES.items():
        f, fl, s = (table.get(cls, [0, 0, 0]) for table in (fixtures, flows, shared))
        for total, row in zip(totals, (f, fl, s)):
            total[:] = [a + b for a, b in zip(total, row)]
        before = BEFORE.get(cls)
        if before:
            before_totals[:] = [before_totals[0] + before[0], before_totals[1] + before[1]]
        was = [f"{before[i]}/{row[2]}" if before and row[2] else "-" for i, row in enumerate((f, fl))]
        print(
            f"{cls + ' ' + name:<34} {cell(f, 0):>14} {cell(f, 1):>7} {was[0]:>7}   {cell(fl, 0):>12} "
            f"{cell(fl, 1):>6} {was[1]:>7}   {cell(s, 0):>13} {cell(s, 1):>6}"
        )
    f, fl, s = totals
    pct = lambda row, i: f"{100 * row[i] / row[2]:.0f}%" if row[2] else "-"
    was = [f"{before_totals[i]}/{row[2]}" if BEFORE else "-" for i, row in enumerate((f, fl))]
    print(
        f"{'all':<34} {cell(f, 0):>14} {cell(f, 1):>7} {was[0]:>7}   {cell(fl, 0):>12} {cell(fl, 1):>6} "
        f"{was[1]:>7}   {cell(s, 0):>13} {cell(s, 1):>6}"
    )
    print(
        f"{'':<34} {pct(f, 0):>14} {pct(f, 1):>7} {'':>7}   {pct(fl, 0):>12} {pct(fl, 1):>6} {'':>7}   "
        f"{pct(s, 0):>13} {pct(s, 1):>6}"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
