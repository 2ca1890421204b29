"""kelvo_web: plain-English browser tests for pytest."""

from kelvo_web.agent import WebAgent

__all__ = ["WebAgent"]
__version__ = "0.1.0"
