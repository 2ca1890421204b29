"""Spatial resolution over the matrix (bindings/engine/spatial/surveyor.cpp)."""

import sys

from kelvo_web._native import surveyor

# The binding is a submodule of the one extension module, named after this path: the module
# imported from here is that submodule itself (its .pyi stub lies beside this file).
sys.modules[__name__] = surveyor
