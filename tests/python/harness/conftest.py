import pytest

from kelvo_web.harness.reporter import KelvoReporter

# Installed into every inner run. The real agent drives a browser; these runs check only
# what the fixture hands it and what it reads back, so a recording stand-in takes its place.
INNER_CONFTEST = '''
import kelvo_web.harness.fixtures as kelvo_fixtures


class RecordingAgent:
    def __init__(self, url, screenshots):
        self.url = url
        self.screenshots = screenshots
        self._steps = []
        self.closed = False

    def close(self):
        self.closed = True


def pytest_configure(config):
    config._saved_web_agent = kelvo_fixtures.WebAgent
    kelvo_fixtures.WebAgent = RecordingAgent


def pytest_unconfigure(config):
    kelvo_fixtures.WebAgent = config._saved_web_agent
'''


class InnerRun:
    """An in-process pytest run with the plug-in, and what it left on its config."""

    def __init__(self, pytester, *args):
        self.recorder = pytester.inline_run(*args)
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


@pytest.fixture
def project(pytester):
    pytester.makeconftest(INNER_CONFTEST)
    return pytester
