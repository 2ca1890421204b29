"""The agent a test drives: plain-English steps on one browser page, each step recorded.

One module per concern: `runner` runs steps (retries, dispatch, the step record),
`finding` finds the element or text a step aims at, `acting` acts through Playwright,
`checking` judges checks, `reading` reads an element's text, `outcome` says how a step ends.
What only the agent needs sits here too: `steps` (step lists), `messages` (failure texts),
`dialogs` (the page's dialogs) and `element_identity` (the element a step resolved, again).
"""

from kelvo_web.agent.outcome import StepFailure
from kelvo_web.agent.runner import WebAgent

__all__ = ["StepFailure", "WebAgent"]
