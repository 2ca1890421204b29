"""Reads step files (bindings/harness/step_files.cpp)."""

import sys

from kelvo_web._native import step_files

# The binding is a submodule of the one extension module, named after this path: the module
# imported from here is that submodule itself (its .pyi stub lies beside this file).
step_files.__spec__ = __spec__  # so importlib finds this file for the path, as for any module
sys.modules[__name__] = step_files
