"""With KELVO_TRACE, a failed test's Playwright trace is kept beside the report and linked
from its row; real agents in real Chromium."""

import json
import zipfile

import pytest
from inner_run import InnerRun

TRACED = """
PAGE = "data:text/html,<button>Save</button><p>Total</p>"

def test_fails(agent):
    agent.page.goto(PAGE)
    agent.run("click Save")
    assert False, "after green steps"

def test_passes(agent):
    agent.page.goto(PAGE)
    agent.run("click Save")
"""


def trace_groups(archive):
    """The names of a trace's groups, as Playwright's trace viewer lists them."""
    events = [
        json.loads(line)
        for name in archive.namelist()
        if name.endswith(".trace")
        for line in archive.read(name).decode("utf-8").splitlines()
        if line.strip()
    ]
    return [e.get("title") for e in events if e.get("type") == "before" and e.get("method") == "tracingGroup"]


@pytest.mark.parametrize(
    "mode, kept", [("retain-on-failure", ["test_fails"]), ("on", ["test_fails", "test_passes"]), ("", [])]
)
def test_traces_are_kept_by_mode(pytester, monkeypatch, mode, kept):
    monkeypatch.setenv("KELVO_TRACE", mode)
    pytester.makepyfile(test_traced=TRACED)
    run = InnerRun(pytester, "-p", "no:cacheprovider")
    run.recorder.assertoutcome(passed=1, failed=1)
    traces = {r["test"]: r.get("trace") for r in run.results}
    assert sorted(t for t, link in traces.items() if link) == sorted(kept)
    folder = pytester.path / "test_report"
    for test in kept:
        with zipfile.ZipFile(folder / traces[test]) as archive:
            assert any(n.endswith(".trace") for n in archive.namelist()), "a trace the viewer opens"
            assert trace_groups(archive) == ["click Save"], "the viewer shows the step by its name"
    html = (folder / "report.html").read_text()
    assert html.count("class='trace-link'") == len(kept)
    zips = sorted(p.name for p in (folder / "traces").glob("*.zip")) if kept else []
    assert len(zips) == len(kept)


STEPPED = """
import pytest

def test_steps(agent):
    agent.page.set_content("<button style='margin:40px;padding:20px'>Save</button>")
    agent.run("click Save")
    agent.run("verify Save is disabled")
"""

COUNT_RED_JS = """async (data) => {
  const img = new Image();
  img.src = 'data:image/png;base64,' + data;
  await img.decode();
  const canvas = document.createElement('canvas');
  canvas.width = img.naturalWidth; canvas.height = img.naturalHeight;
  const ctx = canvas.getContext('2d');
  ctx.drawImage(img, 0, 0);
  const px = ctx.getImageData(0, 0, canvas.width, canvas.height).data;
  let red = 0;
  for (let i = 0; i < px.length; i += 4) {
    if (px[i] > 240 && px[i + 1] > 40 && px[i + 1] < 80 && px[i + 2] > 30 && px[i + 2] < 70) red++;
  }
  return red;
}"""


def test_steps_carry_time_and_element_and_the_failure_outlines_it(pytester, page):
    pytester.path.joinpath("kelvo.web.config.py").write_text("SCREENSHOTS_ON_FAILURE = True")
    pytester.makepyfile(test_stepped=STEPPED)
    run = InnerRun(pytester, "-p", "no:cacheprovider")
    run.recorder.assertoutcome(failed=1)
    click, verify = run.steps["test_stepped.py::test_steps"]
    for step in (click, verify):
        assert isinstance(step["started"], float) and 0 <= step["duration"] < 30
        assert step["element"] == {"tag": "button", "text": "Save", "role": ""}
    assert click["resolved_by"] and click["status"] == "passed"
    assert verify["status"] == "failed"
    assert page.evaluate(COUNT_RED_JS, verify["screenshot"]) > 100, "the button is outlined"
    html = (pytester.path / "test_report" / "report.html").read_text()
    assert "<span class='element-tag'>&lt;button&gt;</span>" in html and "step-duration" in html
