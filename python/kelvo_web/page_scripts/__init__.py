"""The agent's own page scripts, kept as .js files beside this module and read once."""

import functools
from importlib import resources


@functools.cache
def script(name):
    """The text of `<name>.js` from this folder."""
    return resources.files(__name__).joinpath(name + ".js").read_text(encoding="utf-8")
