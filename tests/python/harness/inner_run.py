"""An in-process pytest run with the plug-in (kept out of conftest.py: conftest modules of
different folders share one name, so importing from them depends on collection order)."""

from kelvo_web.harness.reporter import KelvoReporter


class InnerRun:
    """An in-process pytest run with the plug-in, and what it left on its config."""

    def __init__(self, pytester, *args, **kwargs):
        self.recorder = pytester.inline_run(*args, **kwargs)
        self.config = self.recorder.getcall("pytest_sessionfinish").session.config
        manager = self.config.pluginmanager
        self.reporters = [p for p in manager.get_plugins() if isinstance(p, KelvoReporter)]
        self.reporter = manager.get_plugin("kelvo_reporter")

    @property
    def results(self):
        return self.reporter.results

    @property
    def steps(self):
        return getattr(self.config, "_kelvo_steps", {})
