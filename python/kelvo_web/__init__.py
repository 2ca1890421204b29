"""kelvo_web: plain-English browser tests for pytest."""

from kelvo_web.agent import StepFailure, WebAgent

__all__ = ["StepFailure", "WebAgent"]
__version__ = "0.1.0"
