"""Renders the HTML test report (bindings/harness/reporter.cpp)."""

import sys

from kelvo_web._native import reporter

# The binding is a submodule of the one extension module, named after this path: the module
# imported from here is that submodule itself (its .pyi stub lies beside this file).
reporter.__spec__ = __spec__  # so importlib finds this file for the path, as for any module
sys.modules[__name__] = reporter
