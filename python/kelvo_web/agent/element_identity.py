"""Acting on the very element a step resolved, and saying why the browser refused.

A harvested element is found again by its XPath, which is positional: a row put at the
top of a list between the harvest and the action makes the same path name the row
beside it. So the element is taken once as a handle, checked against what the harvest
saw (text, box, the text of its row) and acted on through that handle, never through the path again.
"""

from kelvo_web.engine.agent._ladder import identity_of as _identity_of
from kelvo_web.page_scripts import script

# Whether the element now at the path is the one harvested (page_scripts/identity.js):
# the element itself when it is, else what differs.
IDENTITY_JS = script("identity")

# The steps a page-unique path takes into a frame's document and into a shadow root.
FRAME_STEP = "/#document"
SHADOW_STEP = "/#shadow-root"

# Call-log lines that carry the reason an action could not be taken.
_REASONS = (
    "not enabled",
    "not visible",
    "not stable",
    "intercepts pointer events",
    "not editable",
    "not attached",
    "detached",
    "outside of the viewport",
    "not an <input>",
    "not a <select>",
    "does not have",
    "element is not",
)


def first_line(error):
    text = str(error).strip()
    return text.splitlines()[0] if text else type(error).__name__


def error_reason(error):
    """The first line of a Playwright error, with the last reason its call log gives
    (element is not enabled, <div> intercepts pointer events...) when the line lacks one."""
    line = first_line(error)
    reason = None
    for raw in str(error).splitlines()[1:]:
        text = raw.strip().lstrip("-").strip()
        if any(word in text for word in _REASONS):
            reason = text
    if reason and reason not in line:
        return f"{line.rstrip('.')} ({reason})"
    return line


def identity_of(element, text_elements=()):
    """What the identity check compares, from a harvested descriptor and its harvest's texts
    (the core reads the row on the harvest's native list in place)."""
    texts = list(text_elements) if isinstance(text_elements, tuple) else text_elements
    return _identity_of(element, texts)
