"""Rendering and writing the HTML report of a large run: 2,000 tests, each with steps.

Prints the render time, the write time and the file size, and the render time beside
json.dumps of the same data (a familiar yardstick measured in the same run).
"""

import json
import os
import tempfile
import time
import types

from kelvo_web.harness.reporter import KelvoReporter

TESTS = 2000
STEPS_PER_TEST = 6
FILES = 40
SCREENSHOT = "iVBORw0KGgo" + "A" * 2000  # about the size of a small cropped capture


def build_run():
    results, steps = [], {}
    for i in range(TESTS):
        file = f"tests/ui/test_area_{i % FILES}.py"
        nodeid = f"{file}::test_case_{i}[user<{i}>]"
        status = "failed" if i % 17 == 0 else "skipped" if i % 23 == 0 else "passed"
        results.append({"nodeid": nodeid, "file": file, "test": nodeid.partition("::")[2],
                        "status": status, "duration": 0.1 + i % 7 / 10, "message": "",
                        "when": "call"})
        records = [{"status": "passed", "instruction": f"click the {n}th button below 'Total & tax'"}
                   for n in range(STEPS_PER_TEST)]
        if status == "failed":
            records[-1] = {"status": "failed", "instruction": "verify text Welcome is visible",
                           "message": "assert 'Welcome' in page <body>", "screenshot": SCREENSHOT}
        steps[nodeid] = records
    return results, steps


def best_of(runs, fn):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    results, steps = build_run()
    config = types.SimpleNamespace(_kelvo_steps=steps)
    with tempfile.TemporaryDirectory() as folder:
        reporter = KelvoReporter(os.path.join(folder, "report.html"), config)
        reporter.results = results
        render = best_of(5, reporter._render)
        write = best_of(5, lambda: reporter.pytest_sessionfinish(None, 0))
        size = os.path.getsize(reporter.report_path)
    dumps = best_of(5, lambda: json.dumps([results, steps]))
    step_count = sum(len(s) for s in steps.values())
    print(f"report of {TESTS} tests, {step_count} steps, {FILES} files")
    print(f"  render:           {render * 1000:8.1f} ms")
    print(f"  render and write: {write * 1000:8.1f} ms")
    print(f"  json.dumps:       {dumps * 1000:8.1f} ms  (render / json.dumps = {render / dumps:.2f})")
    print(f"  file size:        {size / 1024:8.1f} KiB")


if __name__ == "__main__":
    main()
