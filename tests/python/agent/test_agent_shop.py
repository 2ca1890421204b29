"""The agent against the demo shop in real Chromium: every action, waiting, failures."""

import base64
import os
import pathlib
import signal
import socket
import subprocess
import sys

import pytest

from kelvo_web.agent import StepFailure

CART = "localStorage.getItem('cart') || '[]'"


@pytest.mark.parametrize(
    "page, steps, probe, expected",
    [
        (
            "catalogue.html",
            ["click Gift wrapping"],
            "document.getElementById('gift').textContent",
            "Gift wrapping added",
        ),
        ("catalogue.html", ["click second Add to cart"], CART, '["Red Scarf"]'),
        ("catalogue.html", ["click the third Add to cart"], CART, '["Green Mug"]'),
        ("catalogue.html", ["click Add to cart near Green Mug"], CART, '["Green Mug"]'),
        ("catalogue.html", ["click Add to cart below Blue Backpack"], CART, '["Blue Backpack"]'),
        (
            "index.html",
            ["type alice@example.com into Email"],
            "document.getElementById('email').value",
            "alice@example.com",
        ),
        ("index.html", ["type x into Email", "type bob into Email"], "document.getElementById('email').value", "bob"),
        (
            "checkout.html",
            ["type Hi Sam into Gift message"],
            "document.querySelector('.editable-note').textContent",
            "Hi Sam",
        ),
        ("checkout.html", ["select Germany from Country"], "document.getElementById('country').value", "de"),
        ("checkout.html", ["select fr from Country"], "document.getElementById('country').value", "fr"),
        (
            "checkout.html",
            ["select express (NEXT DAY) from Shipping"],
            "document.getElementById('total').textContent",
            "$15.00",
        ),
        ("catalogue.html", ["hover Delivery info"], "document.getElementById('tip').hidden", False),
        (
            "catalogue.html",
            ["click Search products", "sendkeys Mug", "press Enter"],
            "document.getElementById('status').textContent",
            "Showing 1 of 3 products",
        ),
        (
            "index.html",
            ["type abc into Email", "click you@example.com", "sendkeys Control+A", "sendkeys Backspace"],
            "document.getElementById('email').value",
            "",
        ),
        ("index.html", ["navigate catalogue.html"], "location.pathname", "/catalogue.html"),
        ("catalogue.html", ["navigate /checkout.html"], "location.pathname", "/checkout.html"),
        ("index.html", ["wait 50"], "location.pathname", "/index.html"),
    ],
)
def test_each_action_changes_the_page(make_agent, page, steps, probe, expected):
    agent = make_agent(page)
    agent.run_all(steps)
    assert agent.page.evaluate(probe) == expected
    assert [step["status"] for step in agent._steps] == ["passed"] * len(steps)


@pytest.mark.parametrize(
    "page, instruction, extracted",
    [
        ("checkout.html", "verify text right of Total is $5.00", None),
        ("checkout.html", "extract text right of Delivery", "$5.00"),
        ("catalogue.html", "extract text Basket", "Basket (0)"),
        ("index.html", "extract text from Email", ""),
        ("index.html", "find text welcome TO", None),
        ("index.html", "find exact text Sign in", None),
        ("index.html", "verify text Welcome to Kelvo Shop is visible", None),
        ("index.html", "verify text Password is present", None),
        ("index.html", "verify Sign in is visible", None),
        ("checkout.html", "verify Apply coupon is disabled", None),
        ("checkout.html", "verify Place order is enabled", None),
        ("checkout.html", "verify button below Coupon code is disabled", None),
        ("index.html", "verify Your password is present", None),
    ],
)
def test_checks_and_extraction(make_agent, page, instruction, extracted):
    result = make_agent(page).run(instruction)
    assert result["resolved"] is True
    assert result.get("extracted") == extracted


@pytest.mark.parametrize(
    "page, instruction, fragments",
    [
        (
            "catalogue.html",
            "click Add to kart",
            ["no element matches 'Add to kart'", "similar on the page", "button 'Add to cart'"],
        ),
        ("checkout.html", "verify text right of Total is $99.00", ["expected: '$99.00'", "actual:   '$5.00'"]),
        (
            "checkout.html",
            "find exact text Deliver",
            ["no text on the page is exactly 'Deliver'", "near misses", "'Delivery'"],
        ),
        ("checkout.html", "select Spain from Country", ["has no option 'Spain'", "its options", "'Germany'"]),
        (
            "checkout.html",
            "verify Apply coupon is enabled",
            ["button 'Apply coupon' is not enabled", "actual:   'present, visible, disabled'"],
        ),
        ("checkout.html", "verify text below Nowhere is 5", ["anchor 'Nowhere' not found"]),
        ("checkout.html", "extract text below Nowhere", ["anchor 'Nowhere' not found"]),  # not "names no place"
        ("checkout.html", "verify text near Total is 999", ["does not match"]),
        ("index.html", "verify text Goodbye is visible", ["text 'Goodbye' is not on the page"]),
        ("index.html", "tap Sign in", ["Unknown action 'tap'. Expected one of: click, type"]),
        ("index.html", "wait soon", ["`wait` value must be a number in milliseconds. Got: 'soon'"]),
        ("index.html", "click second", ["names no element"]),
    ],
)
def test_failure_messages_say_what_to_fix(make_agent, page, instruction, fragments):
    agent = make_agent(page, timeout_ms=600)
    with pytest.raises(StepFailure) as failure:
        agent.run(instruction)
    message = str(failure.value)
    assert message.startswith(f"Step failed: {instruction}\n")
    for fragment in fragments:
        assert fragment in message
    assert isinstance(failure.value, AssertionError)
    (step,) = agent._steps
    assert without_timing(step) == {"status": "failed", "instruction": instruction, "message": message}


def test_a_step_waits_for_an_element_that_appears_late(make_agent):
    # The deal shows 1.5 s after load: a short timeout gives up, the default one waits.
    hasty = make_agent("catalogue.html", timeout_ms=300)
    with pytest.raises(StepFailure, match="no element matches 'Claim deal'"):
        hasty.run("click Claim deal")
    patient = make_agent("catalogue.html", timeout_ms=5000)
    patient.run("click Claim deal")
    patient.run("verify Deal claimed is present")


def test_failed_step_carries_a_screenshot_only_when_asked(make_agent):
    for screenshots in (True, False):
        agent = make_agent("checkout.html", screenshots=screenshots, timeout_ms=300)
        with pytest.raises(StepFailure):
            agent.run("click Cancel order")
        step = agent._steps[-1]
        if screenshots:
            assert base64.b64decode(step["screenshot"]).startswith(b"\x89PNG\r\n\x1a\n")
        else:
            assert "screenshot" not in step


@pytest.mark.parametrize(
    "steps, outcome",
    [
        (["accept dialog", "click Place order"], "Thank you for your order!"),
        (["dismiss dialog", "click Place order"], "Order cancelled"),
        (["click Place order", "dismiss dialog"], "Order cancelled"),
        (["click Place order"], "Order cancelled"),
    ],
)
def test_dialogs_accepted_and_dismissed(make_agent, steps, outcome):
    agent = make_agent("checkout.html")
    agent.run_all(steps + ["verify dialog says place order FOR $5.00?"])
    assert agent.page.evaluate("document.getElementById('outcome').textContent") == outcome


def test_accepting_a_dialog_that_was_already_dismissed_fails(make_agent):
    agent = make_agent("checkout.html", timeout_ms=500)
    agent.run("click Place order")
    with pytest.raises(StepFailure, match="write 'accept dialog' before the step that opens"):
        agent.run("accept dialog")
    with pytest.raises(StepFailure, match="expected: 'Thanks'"):
        agent.run("verify dialog says Thanks")


def test_run_all_reports_every_malformed_step_before_running_any(make_agent):
    agent = make_agent("index.html")
    with pytest.raises(StepFailure) as failure:
        agent.run_all("click Sign in\ntap Login\n# fine\nwait soon\nback\nextract_text below Email")
    message = str(failure.value)
    assert message.startswith("3 of 5 steps are malformed; nothing was run:")
    for fragment in ("step 2: 'tap Login'", "step 3: 'wait soon'", "step 4: 'back'", "Unrecognised instruction"):
        assert fragment in message
    assert "step 5" not in message  # the parser reads extract_text, so it is no problem
    assert agent._page is None


def test_run_all_returns_each_result_and_hands_back_extracted_text(make_agent):
    agent = make_agent("checkout.html")
    results = agent.run_all(["select Express (next day) from Shipping", "extract text right of Total"])
    assert results[-1]["extracted"] == "$15.00"
    assert without_timing(agent._steps[-1]) == {
        "status": "passed",
        "instruction": "extract text right of Total",
        "resolved_by": "text",
        "message": "extracted '$15.00'",
    }


def without_timing(step):
    """A step without its start, duration and element (they vary run to run)."""
    assert isinstance(step["started"], float) and step["duration"] >= 0
    return {k: v for k, v in step.items() if k not in ("started", "duration", "element")}


def _free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


REMOTE_SCRIPT = """
import sys
from kelvo_web import WebAgent
agent = WebAgent(url=sys.argv[1] + "checkout.html")
agent.run("select Express (next day) from Shipping")
print(agent.run("extract text right of Total")["extracted"], agent.page.context.browser.version)
agent.close()
"""


def test_a_run_on_a_remote_playwright_server(shop_url, tmp_path):
    port = _free_port()
    # --unsafe lets the client name the browser the server launches: this machine's Chromium.
    server = subprocess.Popen(
        [sys.executable, "-m", "playwright", "run-server", "--port", str(port), "--host", "127.0.0.1", "--unsafe"],
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        start_new_session=True,
    )
    try:
        line = server.stdout.readline().decode()
        if "Listening" not in line:
            pytest.skip(f"the bundled Playwright server did not start: {line.strip()!r}")
        env = dict(os.environ, KELVO_BROWSER_WS=f"ws://127.0.0.1:{port}/", KELVO_BROWSER_PATH="/usr/bin/chromium")
        run = subprocess.run(
            [sys.executable, "-c", REMOTE_SCRIPT, shop_url], env=env, capture_output=True, text=True, timeout=120
        )
        assert run.returncode == 0, run.stderr
        assert run.stdout.split()[0] == "$15.00"
    finally:
        # The Python wrapper starts the node server as its child: end the whole group.
        os.killpg(server.pid, signal.SIGTERM)
        server.wait(timeout=30)


def test_an_unreachable_remote_server_is_reported_clearly(shop_url):
    env = dict(os.environ, KELVO_BROWSER_WS=f"ws://127.0.0.1:{_free_port()}/")
    run = subprocess.run(
        [sys.executable, "-c", REMOTE_SCRIPT, shop_url], env=env, capture_output=True, text=True, timeout=120
    )
    assert run.returncode != 0
    assert "Could not use the Playwright server at ws://127.0.0.1:" in run.stderr


def test_an_unreachable_start_address_fails_the_step_at_once():
    from kelvo_web import WebAgent

    agent = WebAgent(url=f"http://127.0.0.1:{_free_port()}/")
    try:
        with pytest.raises(StepFailure, match="could not open the start address http://127.0.0.1:"):
            agent.run("click Sign in")
        assert agent._steps[0]["status"] == "failed"
    finally:
        agent.close()


ROAD_STEP = "click the second Add to cart below Blue Backpack"


@pytest.mark.parametrize(
    "step, strict, clicked, said, why",
    [
        ("click Add to cart", False, "small added", "3 elements are named 'Add to cart'", "the first, and says so"),
        ("click Add to cart", True, None, "strict mode: 3 elements are named 'Add to cart'", "strict takes none"),
        ("click the third Add to cart", True, "scarf added", None, "an ordinal says which"),
        ("click Add to cart near Wool", True, "scarf added", None, "so does a place"),
        ("verify Add to cart is visible", False, None, "3 elements are named", "a check on one of many says so too"),
    ],
)
def test_a_step_naming_several_elements_alike_says_so(agent_on, step, strict, clicked, said, why):
    agent = agent_on("stacked_products.html")
    agent.strict = strict
    try:
        result, failure = agent.run(step), None
    except StepFailure as error:
        result, failure = None, str(error)
    told = failure if strict and said else (result or {}).get("message")
    assert (said in told) if said else not told, (why, told)
    assert agent.page.text_content("#out") == (clicked or ""), why
    assert (agent._steps[-1].get("message") or "") == (told or ""), "the report shows what the step said"


def _road_of_a_step():
    """The rows of ARCHITECTURE.md's road-of-a-step table: (where, crossing) each."""
    text = (pathlib.Path(__file__).resolve().parents[3] / "ARCHITECTURE.md").read_text(encoding="utf-8")
    section = text.split("## The road of one step", 1)[1].split("\n## ", 1)[0]
    rows = [line.split("|")[1:-1] for line in section.splitlines() if line.startswith("| ") and "---" not in line]
    return [(where.strip(), crossing.strip()) for number, where, crossing in rows[1:]]


@pytest.mark.parametrize(
    "step, clicked, decision, why",
    [
        (ROAD_STEP, "large added", "decide", "the step the map follows"),
        ("click Add to cart right of Large, 30 l", "large added", "decide", "a row twin's extras come with the harvest"),
        ("click Add to cart near Wool", "scarf added", "decide", "so do they for 'near'"),
        ("click Add to cart", "small added", "decide_narrowed", "a plain name reads only what it may name"),
    ],
)
def test_one_attempt_of_a_step_crosses_as_the_architecture_says(agent_on, monkeypatch, step, clicked, decision, why):
    """Every call into the extension modules the agent's modules hold, and every browser call
    of the page, counted on one attempt of a step."""
    from kelvo_web import agent as agent_package
    from kelvo_web.agent import finding

    agent = agent_on("stacked_products.html")
    page = agent.page  # opened before counting: the start address is not part of a step
    core, browser = [], []

    def counted(log, name, call):
        def wrapper(*args, **kwargs):
            log.append(name)
            found = call(*args, **kwargs)
            if name == "read_step":  # the plan's own calls count too
                parsed, plan, *rest = found
                return (parsed, _Counted(plan, log), *rest)
            return found

        return wrapper

    native = ("nb_func", "nb_type")
    for module in [finding.engine(), *(m for m in vars(agent_package).values() if hasattr(m, "__file__"))]:
        for name, value in list(vars(module).items()):
            if type(value).__name__ in native:
                monkeypatch.setattr(module, name, counted(core, name, value))
    for name in ("evaluate", "evaluate_handle", "wait_for_function", "locator"):
        monkeypatch.setattr(page, name, counted(browser, name, getattr(page, name)))
    monkeypatch.setattr(page.mouse, "click", counted(browser, "mouse.click", page.mouse.click))

    agent.run(step)
    assert page.text_content("#out") == clicked, why
    road = _road_of_a_step()
    assert core == ["read_step", "harvest", decision], why
    assert len(browser) == 4, browser  # harvest, find-and-point, the click, after the click
    assert sum("Python → core" in crossing for _, crossing in road) == len(core), road
    assert sum("round trip" in crossing for _, crossing in road) == len(browser), road


class _Counted:
    """A step plan whose decisions are counted as calls into the core."""

    def __init__(self, plan, log):
        self._plan, self._log = plan, log

    def decide(self, *args):
        self._log.append("decide")
        return self._plan.decide(*args)

    def decide_narrowed(self, *args):
        self._log.append("decide_narrowed")
        return self._plan.decide_narrowed(*args)


def test_an_agent_resolves_a_parsed_step_on_a_harvest_as_its_steps_do(make_agent):
    from kelvo_web.agent import finding

    agent = make_agent("catalogue.html")
    reading = finding.harvest(agent.page)
    parsed = finding.read_step("click Add to cart below Red Scarf")[0]
    result, route = agent.resolve(parsed, reading.elements, reading.texts)
    element = result["element"]
    assert (route, element["text"]) == ("spatial", "Add to cart")
    assert any(element is record for record in reading.elements), "the harvested record itself"


def test_an_agent_closes_as_a_context_and_logs_a_line_a_step(shop_url, caplog):
    import logging

    from kelvo_web import StepFailure as TopLevelStepFailure
    from kelvo_web import WebAgent

    assert TopLevelStepFailure is StepFailure
    with caplog.at_level(logging.INFO, logger="kelvo_web"):
        with WebAgent(url=shop_url + "index.html") as agent:
            agent.step_timeout_ms = 300
            agent.run("verify text Welcome to Kelvo Shop is visible")
            with pytest.raises(TopLevelStepFailure):
                agent.run("click Nothing of that name")
    assert agent._closed
    lines = [(record.levelname, record.getMessage()) for record in caplog.records if record.name == "kelvo_web"]
    assert [level for level, _ in lines] == ["INFO", "WARNING"]
    assert lines[0][1].startswith("passed: verify text Welcome to Kelvo Shop is visible (")
    assert lines[1][1].startswith("failed: click Nothing of that name (") and "no element matches" in lines[1][1]


def test_a_password_typed_is_masked_in_the_record_and_the_log(make_agent, caplog):
    import logging

    agent = make_agent()
    with caplog.at_level(logging.INFO, logger="kelvo_web"):
        agent.run("type hunter2 into Password")
        agent.run("type alice@example.com into Email")
    shown = [step["instruction"] for step in agent._steps]
    assert shown == ["type ******** into Password", "type alice@example.com into Email"]
    assert agent.page.input_value("#password") == "hunter2", "the field still gets the text"
    assert "hunter2" not in caplog.text
