"""pytest plug-in that records every test outcome and writes the HTML report at the end.

The hook object stays in Python because pytest inspects its methods and hands it its own
report objects; counting, grouping and the page itself are rendered by the core.
"""

import os
import tempfile
import time

import pytest

from kelvo_web.harness import _reporter

# Name under which a pytest-xdist worker ships a test's steps to the controller, as an
# entry of the teardown report's user_properties.
SHIPPED_STEPS = "kelvo_steps"


class KelvoReporter:
    def __init__(self, report_path, config):
        self.report_path = report_path
        self.config = config
        self.results = []
        self.start_time = time.time()
        # Resolved now: a test that changes the working directory must not move the report.
        self._target = os.path.abspath(report_path)

    # First, so the shipped steps are taken off the report before other plug-ins (such
    # as junitxml) write user_properties out.
    @pytest.hookimpl(tryfirst=True)
    def pytest_runtest_logreport(self, report):
        self._take_shipped_steps(report)
        if not (report.when == "call" or (report.when == "setup" and report.failed)):
            return
        duration = getattr(report, "duration", 0.0)
        file, _, test = report.nodeid.partition("::")
        if report.passed:
            status, message = "passed", ""
        elif report.failed:
            status, message = "failed", self._extract_message(report)
        else:
            status, message = "skipped", str(report.longrepr) if report.longrepr else ""
        self.results.append(
            {
                "nodeid": report.nodeid,
                "file": file,
                "test": test,
                "status": status,
                "duration": duration,
                "message": message,
                "when": report.when,
            }
        )

    def pytest_sessionfinish(self, session, exitstatus):
        os.makedirs(os.path.dirname(self._target), exist_ok=True)
        html = self._render()
        _write_atomically(self._target, html)

    def _extract_message(self, report):
        longrepr = report.longrepr
        if longrepr is None:
            return ""
        # Some chained exception reports carry no crash entry; fall back to their text.
        if getattr(longrepr, "reprcrash", None) is not None:
            return longrepr.reprcrash.message
        return str(longrepr).strip().split("\n")[-1]

    def _render(self):
        steps = getattr(self.config, "_kelvo_steps", None)
        return _reporter.render(self.results, steps, time.time() - self.start_time)

    def _take_shipped_steps(self, report):
        properties = getattr(report, "user_properties", None) or []
        shipped = [value for name, value in properties if name == SHIPPED_STEPS]
        if not shipped:
            return
        report.user_properties = [p for p in properties if p[0] != SHIPPED_STEPS]
        if not hasattr(self.config, "_kelvo_steps"):
            self.config._kelvo_steps = {}
        self.config._kelvo_steps[report.nodeid] = shipped[-1]


def _write_atomically(path, text):
    """Replace `path` in one step, so a crash mid-write never leaves half a report."""
    directory = os.path.dirname(path) or "."
    fd, temp_path = tempfile.mkstemp(
        prefix="." + os.path.basename(path) + ".", suffix=".tmp", dir=directory
    )
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as handle:
            handle.write(text)
            handle.flush()
            os.fsync(handle.fileno())
        # mkstemp makes the file private; a report is meant to be shared like any file.
        os.chmod(temp_path, 0o666 & ~_umask())
        os.replace(temp_path, path)
    except BaseException:
        try:
            os.unlink(temp_path)
        except OSError:
            pass
        raise


def _umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask
