"""The agent's own page scripts, kept as .js files beside this module and read once."""

import functools
from importlib import resources


@functools.cache
def script(name):
    """The text of `<name>.js` from this folder, run with the built-ins as they were before
    the page's own scripts (a page may replace them); a script gets the guard as its third
    argument, to guard what it does after an await."""
    return guarded(text_of(name))


@functools.cache
def text_of(name):
    """The function text of `<name>.js`, for a script composed of several: without the
    closing ";" a file may end with, which cannot stand inside an expression."""
    return resources.files(__name__).joinpath(name + ".js").read_text(encoding="utf-8").rstrip(" \t\r\n;")


def guarded(text):
    from kelvo_web.engine.browser.harvester import _guarded_script

    return _guarded_script(text)
