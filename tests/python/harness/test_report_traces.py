"""With KELVO_TRACE, a failed test's Playwright trace is kept beside the report and linked
from its row; real agents in real Chromium."""

import zipfile

import pytest

from inner_run import InnerRun

TRACED = '''
PAGE = "data:text/html,<button>Save</button><p>Total</p>"

def test_fails(agent):
    agent.page.goto(PAGE)
    agent.run("click Save")
    assert False, "after green steps"

def test_passes(agent):
    agent.page.goto(PAGE)
    agent.run("click Save")
'''


@pytest.mark.parametrize("mode, kept", [("retain-on-failure", ["test_fails"]), ("on", ["test_fails", "test_passes"]),
                                        ("", [])])
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
    html = (folder / "report.html").read_text()
    assert html.count("class='trace-link'") == len(kept)
    zips = sorted(p.name for p in (folder / "traces").glob("*.zip")) if kept else []
    assert len(zips) == len(kept)
