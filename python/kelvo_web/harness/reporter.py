"""pytest plug-in that records every test outcome and writes the HTML report at the end.

The hook object stays in Python because pytest inspects its methods and hands it its own
report objects; counting, grouping and the page itself are rendered by the core.
"""

import os
import platform
import stat
import sys
import tempfile
import time

import pytest

from kelvo_web.harness import _reporter, live_agents

# Name under which a pytest-xdist worker ships a test's steps to the controller, as an
# entry of the teardown report's user_properties.
SHIPPED_STEPS = "kelvo_steps"
# Likewise the version of the browser a worker drove, for the environment block.
SHIPPED_BROWSER = "kelvo_browser"
# Attribute of a call report naming the Playwright trace kept for that test.
TRACE_ATTRIBUTE = "kelvo_trace"


class KelvoReporter:
    def __init__(self, report_path, config):
        self.report_path = report_path
        self.config = config
        self.results = []
        self.start_time = time.time()
        # Resolved now: a test that changes the working directory must not move the report.
        # Through symbolic links too, so the file-kind check sees what will be written.
        self._target = os.path.realpath(report_path)
        self.base_url = None
        self.browser_version = None
        self._latest = {}  # node id -> its latest result record
        self._reruns = {}  # node id -> attempts pytest-rerunfailures ran again
        self._earlier = {}  # node id -> the failure of each attempt run again
        self._running = {}  # node id -> [monotonic start, phase under way], until torn down
        self._interrupted = False
        self._written = False
        self._failure = None  # the lines telling why the report is not where it belongs

    # First, so the shipped steps are taken off the report before other plug-ins (such
    # as junitxml) write user_properties out.
    @pytest.hookimpl(tryfirst=True)
    def pytest_runtest_logreport(self, report):
        self._take_shipped(report)
        nodeid = report.nodeid
        if getattr(report, "outcome", None) == "rerun":
            # pytest-rerunfailures: a failed attempt that runs again, folded into its test.
            if report.when != "teardown":
                self._reruns[nodeid] = self._reruns.get(nodeid, 0) + 1
                # What each earlier attempt failed with: a pass on the last try hides it otherwise.
                self._earlier.setdefault(nodeid, []).append(self._extract_message(report) or "failed")
            return
        if report.when == "teardown":
            self._running.pop(nodeid, None)
            if report.failed:
                self._teardown_failed(report)
            self._link_playwright_artifacts(nodeid)
            return
        if report.when == "setup" and report.passed:
            if nodeid in self._running:
                self._running[nodeid][1] = "call"
            return
        if report.when not in ("setup", "call") and not report.failed:
            return
        # A setup that did not pass (error, marker skip, xfail without running), the call,
        # or a failure in no phase at all (a crashed xdist worker's test).
        self._append(self._record(report))

    def _link_playwright_artifacts(self, nodeid):
        """pytest-playwright's files of the test (its trace, failure screenshots, videos), which it
        has written by teardown, linked from the test's row."""
        record = self._latest.get(nodeid)
        if record is None or not self.config.pluginmanager.has_plugin("playwright"):
            return
        folder = _playwright_folder(self.config, nodeid)
        if folder is None or not os.path.isdir(folder):
            return
        here = os.path.dirname(self._target)
        found = [
            {"name": name, "href": os.path.relpath(os.path.join(folder, name), here).replace(os.sep, "/")}
            for name in sorted(os.listdir(folder))
            if name.endswith((".zip", ".png", ".webm"))
        ]
        if found:
            record["artifacts"] = found

    def pytest_runtest_logstart(self, nodeid, location):
        self._running[nodeid] = [time.monotonic(), "setup"]

    def pytest_keyboard_interrupt(self, excinfo):
        self._interrupted = True
        reason = excinfo.exconly() if excinfo is not None else "KeyboardInterrupt"
        for nodeid, (started, phase) in list(self._running.items()):
            if nodeid in self._latest:
                continue  # its outcome is known; only the teardown was cut short
            file, _, test = nodeid.partition("::")
            self._append(
                {
                    "nodeid": nodeid,
                    "file": file,
                    "test": test,
                    "status": "interrupted",
                    "duration": time.monotonic() - started,
                    "message": f"interrupted during {phase} ({reason})",
                    "when": phase,
                }
            )
            # Its fixtures are never torn down: take the steps its agents recorded so far.
            agents = live_agents.agents_of(nodeid)
            if agents:
                self._steps_map()[nodeid] = live_agents.steps_of(agents)

    def pytest_sessionfinish(self, session, exitstatus):
        if exitstatus == pytest.ExitCode.INTERRUPTED:
            self._interrupted = True
        _refuse_special_file(self._target)
        self._drop_missing_traces()
        html = self._render()
        try:
            os.makedirs(os.path.dirname(self._target), exist_ok=True)
            _write_atomically(self._target, html)
            self._written = True
            return
        except OSError as error:
            self._failure = _unwritten_report(self._target, html, error)
        # A run whose results were not written where they belong did not go well.
        if session.exitstatus == pytest.ExitCode.OK:
            session.exitstatus = pytest.ExitCode.INTERNAL_ERROR
        if session.config.pluginmanager.get_plugin("terminalreporter") is None:
            sys.stderr.write("\n".join(self._failure) + "\n")

    def pytest_terminal_summary(self, terminalreporter):
        if self._written:
            terminalreporter.write_sep("-", f"kelvo report: {self._target}")
        elif self._failure:
            title, *lines = self._failure
            terminalreporter.write_sep("!", title, red=True, bold=True)
            for line in lines:
                terminalreporter.write_line(line, red=True)

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
        run = {"environment": self._environment(), "interrupted": self._interrupted}
        return _reporter.render(self.results, steps, time.time() - self.start_time, run)

    # -- result records ------------------------------------------------------------------

    def _record(self, report):
        nodeid = report.nodeid
        file, _, test = nodeid.partition("::")
        expected_failure = hasattr(report, "wasxfail")
        extra = {}
        if report.passed:
            status, message = ("xpassed" if expected_failure else "passed"), ""
        elif report.failed:
            status, message = "failed", self._extract_message(report)
            extra["traceback"] = _longrepr_text(report)
        elif expected_failure:
            status, message = "xfailed", self._extract_message(report)
        else:
            status, message = "skipped", str(report.longrepr) if report.longrepr else ""
            reason = _skip_reason(report.longrepr)
            if reason:
                extra["reason"] = reason
        if expected_failure:
            extra["reason"] = report.wasxfail
        record = {
            "nodeid": nodeid,
            "file": file,
            "test": test,
            "status": status,
            "duration": getattr(report, "duration", 0.0),
            "message": message,
            "when": report.when,
        }
        record.update(extra)
        reruns = self._reruns.pop(nodeid, 0)
        if reruns:
            record["reruns"] = reruns
        earlier = self._earlier.pop(nodeid, None)
        if earlier:
            record["earlier_failures"] = earlier
        trace = getattr(report, TRACE_ATTRIBUTE, None)
        if trace:
            record["trace"] = trace
        return record

    def _append(self, record):
        self.results.append(record)
        self._latest[record["nodeid"]] = record

    def _teardown_failed(self, report):
        """A teardown error turns a test that otherwise went well into an error."""
        record = self._latest.get(report.nodeid)
        message = self._extract_message(report)
        if record is None:
            record = self._record(report)
            record["status"], record["when"] = "error", "teardown"
            self._append(record)
            return
        traceback = _longrepr_text(report)
        if record["status"] == "failed":
            # Already failed: the teardown's trouble is added to what the row shows.
            record["traceback"] = (record.get("traceback", "") + "\n\nError at teardown:\n" + traceback).strip()
            return
        record["status"] = "error"
        record["message"] = message
        record["when"] = "teardown"
        record["traceback"] = traceback

    def _steps_map(self):
        if not hasattr(self.config, "_kelvo_steps"):
            self.config._kelvo_steps = {}
        return self.config._kelvo_steps

    def _take_shipped(self, report):
        properties = getattr(report, "user_properties", None) or []
        names = (SHIPPED_STEPS, SHIPPED_BROWSER)
        shipped = {name: value for name, value in properties if name in names}
        if not shipped:
            return
        report.user_properties = [p for p in properties if p[0] not in names]
        if SHIPPED_STEPS in shipped:
            self._steps_map()[report.nodeid] = shipped[SHIPPED_STEPS]
        if shipped.get(SHIPPED_BROWSER):
            self.browser_version = shipped[SHIPPED_BROWSER]

    def _drop_missing_traces(self):
        # A trace is written when its browser context closes; one that never closed
        # (an interrupted run) leaves no file, and so no link.
        folder = os.path.dirname(self._target)
        for record in self.results:
            trace = record.get("trace")
            if trace and not os.path.isfile(os.path.join(folder, trace)):
                del record["trace"]

    # -- environment ---------------------------------------------------------------------

    def _environment(self):
        rows = [
            ["Python", f"{platform.python_version()} ({sys.executable})"],
            ["Platform", platform.platform()],
            ["pytest", pytest.__version__],
            ["Playwright", _package_version("playwright")],
            ["kelvo_web", _package_version("kelvo_web")],
        ]
        browser = self.browser_version or _running_browser_version()
        if browser:
            rows.append(["Browser", browser])
        if self.base_url:
            rows.append(["Base URL", str(self.base_url)])
        for name in ("pytest-xdist", "pytest-rerunfailures"):
            version = _package_version(name, None)
            if version:
                rows.append([name, version])
        return rows


def check_report_path(path, source):
    """Refuse, before any test runs, a report path that could never be written.

    `source` names where the path came from, for the message.
    """
    if path is None or not str(path).strip():
        raise pytest.UsageError(f"{source}: the report path is empty; give a file path such as test_report/report.html")
    path = os.path.realpath(os.fspath(path))
    if os.path.isdir(path):
        raise pytest.UsageError(
            f"{source}: {path} is a directory; give a file path such as {os.path.join(path, 'report.html')}"
        )
    if os.path.lexists(path) and not stat.S_ISREG(os.stat(path).st_mode):
        raise pytest.UsageError(f"{source}: {path} exists and is not a regular file; the report will not replace it")
    parent = os.path.dirname(path)
    while not os.path.exists(parent):  # the root always exists
        parent = os.path.dirname(parent)
    if not os.path.isdir(parent):
        raise pytest.UsageError(f"{source}: {path} lies under {parent}, which is a file, not a directory")
    if not os.access(parent, os.W_OK | os.X_OK):
        raise pytest.UsageError(f"{source}: cannot write the report under {parent} (permission denied)")


def _refuse_special_file(path):
    # Checked again at the end: something may have appeared at the path during the run.
    if os.path.lexists(path) and not stat.S_ISREG(os.stat(path).st_mode):
        raise RuntimeError(f"kelvo report not written: {path} is not a regular file")


def _longrepr_text(report):
    longrepr = report.longrepr
    if longrepr is None:
        return ""
    text = getattr(report, "longreprtext", None)
    return text if isinstance(text, str) else str(longrepr)


def _skip_reason(longrepr):
    # A skip's longrepr is (path, line, "Skipped: reason").
    if isinstance(longrepr, tuple) and len(longrepr) == 3 and isinstance(longrepr[2], str):
        reason = longrepr[2]
        return reason[len("Skipped: ") :] if reason.startswith("Skipped: ") else reason
    return None


def _package_version(name, missing="not installed"):
    from importlib import metadata

    try:
        return metadata.version(name)
    except metadata.PackageNotFoundError:
        return missing


def _running_browser_version():
    # Only a browser this process already started: the report never launches one.
    module = sys.modules.get("kelvo_web.browser")
    browser = getattr(module, "_browser", None)
    try:
        return f"Chromium {browser.version}" if browser is not None and browser.is_connected() else None
    except Exception:
        return None


def _unwritten_report(target, html, error):
    """What is left to do when the report cannot be written: the lines that tell of it.

    The earlier report at `target` goes, so no reader takes it for this run's; this run's
    report goes to the system's temporary folder, so its results are not lost.
    """
    lines = ["kelvo report NOT written", f"could not write the report {target}: {_reason(error)}"]
    try:
        os.unlink(target)
        lines.append(f"the earlier report at {target} was removed, so it is not taken for this run's")
    except FileNotFoundError:
        pass
    except OSError as stuck:
        lines.append(f"the report at {target} is an EARLIER run's and could not be removed: {_reason(stuck)}")
    try:
        fallback = _write_new(tempfile.gettempdir(), "kelvo-report-" + time.strftime("%Y%m%d-%H%M%S-"), ".html", html)
        lines.append(f"this run's report was written to {fallback} instead")
    except OSError as lost:
        lines.append(f"this run's report could not be written to the temporary folder either: {_reason(lost)}")
    lines.append(
        f"free some space under {os.path.dirname(target)} or give another path with --kelvo-report, then run again"
    )
    return lines


def _reason(error):
    # The error's own words and the file it names: a mkstemp failure names the temporary file.
    reason = error.strerror or str(error)
    return f"{reason} ({error.filename})" if error.filename else reason


def _write_new(directory, prefix, suffix, text):
    """Write `text` to a new private file in `directory`; its path, or OSError with nothing left."""
    fd, path = tempfile.mkstemp(prefix=prefix, suffix=suffix, dir=directory)
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as handle:
            handle.write(text)
            handle.flush()
            os.fsync(handle.fileno())
    except BaseException:
        try:
            os.unlink(path)
        except OSError:
            pass
        raise
    return path


def _write_atomically(path, text):
    """Replace `path` in one step, so a crash mid-write never leaves half a report."""
    directory = os.path.dirname(path) or "."
    temp_path = _write_new(directory, "." + os.path.basename(path) + ".", ".tmp", text)
    try:
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


def _playwright_folder(config, nodeid):
    """The folder pytest-playwright keeps a test's artifacts in, named as it names it; None when
    its naming cannot be had (another version than the one this follows)."""
    try:
        from pytest_playwright.pytest_playwright import _truncate_file_name
        from slugify import slugify
    except ImportError:
        return None
    output = config.getoption("--output", default=None) or "test-results"
    return os.path.join(os.path.abspath(output), _truncate_file_name(slugify(nodeid)))
