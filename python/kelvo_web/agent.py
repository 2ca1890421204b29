"""The agent a test drives: one browser page, the steps it ran."""


class WebAgent:
    """Placeholder until the agent lands: holds its start address and recorded steps."""

    def __init__(self, url=None, screenshots=False):
        self.url = url
        self.screenshots = screenshots
        self._steps = []

    def close(self):
        pass
