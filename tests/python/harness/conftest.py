import pytest

# Installed into every inner run. The real agent drives a browser; these runs check only
# what the fixture hands it and what it reads back, so a recording stand-in takes its place.
INNER_CONFTEST = """
import kelvo_web.harness.fixtures as kelvo_fixtures
from kelvo_web.harness import live_agents


class RecordingAgent:
    def __init__(self, url=None, screenshots=False):
        self.url = url
        self.screenshots = screenshots
        self._steps = []
        self.closed = 0
        live_agents.track(self)  # as every real agent does when it is made

    def close(self):
        self.closed += 1


def pytest_configure(config):
    config._saved_web_agent = kelvo_fixtures.WebAgent
    kelvo_fixtures.WebAgent = RecordingAgent


def pytest_unconfigure(config):
    kelvo_fixtures.WebAgent = config._saved_web_agent
"""


@pytest.fixture
def project(pytester):
    pytester.makeconftest(INNER_CONFTEST)
    return pytester
