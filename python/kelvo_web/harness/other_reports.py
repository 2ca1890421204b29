"""A test's steps in the reports a team already reads: pytest-html's extras, Allure's steps and
attachments, and JUnit XML's properties. Each only when its plug-in is in the run."""

import base64
import html
import uuid

STEP_MARKS = {"passed": "\u2713", "failed": "\u2717"}
JUNIT_PROPERTY = "kelvo steps"  # not the name the steps travel from xdist workers under


def step_lines(steps):
    """One line per step: its mark, its words, and what it said."""
    lines = []
    for step in steps:
        mark = STEP_MARKS.get(step.get("status"), "?")
        said = str(step.get("message") or "").strip().splitlines()
        lines.append(f"{mark} {step.get('instruction', '')}" + (f" \u2014 {said[0]}" if said else ""))
    return lines


def add_to(item, report, steps):
    """Hand the steps to every report plug-in of the run (the call phase's report). A record
    that is no step (a test may append anything to its agent's list) is left out."""
    steps = [step for step in steps if isinstance(step, dict)]
    if not steps:
        return
    plugins = item.config.pluginmanager
    if plugins.has_plugin("html"):
        _to_pytest_html(report, steps)
    if getattr(item.config.option, "xmlpath", None):  # --junitxml
        # JUnit XML writes a test's properties from its teardown report, which takes the item's.
        item.user_properties.append((JUNIT_PROPERTY, "\n".join(step_lines(steps))))
    if plugins.has_plugin("allure_listener"):  # --alluredir
        _to_allure(steps)


def _to_pytest_html(report, steps):
    from pytest_html import extras

    rows = "".join(
        f"<li class='kelvo-{html.escape(str(s.get('status', '')))}'>{html.escape(line)}</li>"
        for s, line in zip(steps, step_lines(steps))
    )
    found = list(getattr(report, "extras", []) or [])
    found.append(extras.html(f"<div class='kelvo-steps'><b>kelvo steps</b><ol>{rows}</ol></div>"))
    for number, step in enumerate(steps, start=1):
        if isinstance(step.get("screenshot"), str) and step["screenshot"]:
            found.append(extras.png(step["screenshot"], name=f"step {number}: {step.get('instruction', '')}"))
    report.extras = found


def _to_allure(steps):
    """Each step as an Allure step, failed ones with their message; screenshots attached to
    the step they belong to."""
    from allure_commons import plugin_manager
    from allure_commons.types import AttachmentType

    hook = plugin_manager.hook
    for step in steps:
        key = uuid.uuid4().hex
        hook.start_step(uuid=key, title=str(step.get("instruction", "")), params={})
        picture = _png(step.get("screenshot"))
        if picture:
            hook.attach_data(
                body=picture,
                name="screenshot",
                attachment_type=AttachmentType.PNG,
                extension="png",
            )
        failed = step.get("status") == "failed"
        error = AssertionError(step.get("message") or "failed") if failed else None
        hook.stop_step(uuid=key, exc_type=type(error) if error else None, exc_val=error, exc_tb=None)


def _png(shot):
    if not isinstance(shot, str) or not shot:
        return None
    try:
        return base64.b64decode(shot, validate=True)
    except ValueError:
        return None  # not the base64 a screenshot is
