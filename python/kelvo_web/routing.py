"""Which resolver the agent asks first for a step; the core decides from the target's words."""

from kelvo_web.engine.agent import _ladder

SPATIAL = _ladder.SPATIAL
TEXT = _ladder.TEXT
resolver_order = _ladder.resolver_order
