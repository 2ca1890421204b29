"""Rendering, writing and opening the HTML report of a large run: 5,000 tests with steps.

Prints the render time, the write time and the file size, the render time beside
json.dumps of the same data (a familiar yardstick measured in the same run), and the time
real Chromium takes to open the file (first paint, DOM ready, load with the script ready),
beside a report of a tenth of the size opened in the same browser: the ratio says whether
opening grows with the run faster than the run itself.
"""

import json
import os
import tempfile
import time
import types

from kelvo_web.harness.reporter import KelvoReporter

TESTS = 5000
STEPS_PER_TEST = 6
FILES = 100
SCREENSHOT = "iVBORw0KGgo" + "A" * 2000  # about the size of a small cropped capture


def build_run(tests=TESTS):
    results, steps = [], {}
    for i in range(tests):
        file = f"tests/ui/test_area_{i % FILES}.py"
        nodeid = f"{file}::test_case_{i}[user<{i}>]"
        status = "failed" if i % 17 == 0 else "skipped" if i % 23 == 0 else "xfailed" if i % 29 == 0 else "passed"
        results.append(
            {
                "nodeid": nodeid,
                "file": file,
                "test": nodeid.partition("::")[2],
                "status": status,
                "duration": 0.1 + i % 7 / 10,
                "message": "assert 'Welcome' in page" if status != "passed" else "",
                "when": "call",
            }
        )
        records = [
            {
                "status": "passed",
                "instruction": f"click the {n}th button below 'Total & tax'",
                "started": 1.7e9 + i + n / 10,
                "duration": 0.05 * n,
                "element": {"tag": "button", "text": f"Button {n}", "role": "button"},
                "resolved_by": "text",
            }
            for n in range(STEPS_PER_TEST)
        ]
        if status == "failed":
            records[-1] = {
                "status": "failed",
                "instruction": "verify text Welcome is visible",
                "message": "assert 'Welcome' in page <body>",
                "screenshot": SCREENSHOT,
            }
        steps[nodeid] = records
    return results, steps


def best_of(runs, fn):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


LOAD_TIMING_JS = """() => {
  const t = performance.getEntriesByType('navigation')[0];
  const paint = performance.getEntriesByName('first-contentful-paint')[0];
  return {paint: paint ? paint.startTime : NaN, ready: t.domContentLoadedEventEnd,
          load: t.loadEventEnd, scriptReady: typeof toggleSteps === 'function'};
}"""


def chromium_load(page, path, runs=3):
    best = None
    for _ in range(runs):
        page.goto("about:blank")
        page.goto("file://" + path, wait_until="load")
        timing = page.evaluate(LOAD_TIMING_JS)
        assert timing["scriptReady"]
        if best is None or timing["load"] < best["load"]:
            best = timing
    return best


def write_report(folder, tests):
    results, steps = build_run(tests)
    reporter = KelvoReporter(os.path.join(folder, f"report_{tests}.html"), types.SimpleNamespace(_kelvo_steps=steps))
    reporter.results = results
    return reporter, results, steps


def main():
    with tempfile.TemporaryDirectory() as folder:
        reporter, results, steps = write_report(folder, TESTS)
        render = best_of(3, reporter._render)
        write = best_of(3, lambda: reporter.pytest_sessionfinish(None, 0))
        size = os.path.getsize(reporter._target)
        small, _, _ = write_report(folder, TESTS // 10)
        small.pytest_sessionfinish(None, 0)
        small_size = os.path.getsize(small._target)

        from kelvo_web.browser import close_browser, new_page

        page = new_page()
        # Alternating, so a busy machine weighs on both alike.
        small_load = chromium_load(page, small._target)
        report_load = chromium_load(page, reporter._target)
        small_load = min(small_load, chromium_load(page, small._target), key=lambda t: t["load"])
        page.context.close()
        close_browser()
    dumps = best_of(3, lambda: json.dumps([results, steps]))
    step_count = sum(len(s) for s in steps.values())
    print(f"report of {TESTS} tests, {step_count} steps, {FILES} files")
    print(f"  render:           {render * 1000:8.1f} ms")
    print(f"  render and write: {write * 1000:8.1f} ms")
    print(f"  json.dumps:       {dumps * 1000:8.1f} ms  (render / json.dumps = {render / dumps:.2f})")
    print(f"  file size:        {size / 1024:8.1f} KiB  ({TESTS // 10} tests: {small_size / 1024:.1f} KiB)")
    print("  Chromium, best of 3:     first paint   DOM ready   load + script ready")
    for tests, t in ((TESTS // 10, small_load), (TESTS, report_load)):
        print(f"    {tests:5} tests:       {t['paint']:9.1f} ms {t['ready']:8.1f} ms {t['load']:12.1f} ms")
    print(
        f"  load, {TESTS} / {TESTS // 10} tests = {report_load['load'] / small_load['load']:.2f}"
        f"  (the file is {size / small_size:.1f} times as big)"
    )
    print(f"  Chromium load / render = {report_load['load'] / (render * 1000):.2f}")


if __name__ == "__main__":
    main()
