"""The agent's resolution ladder and routing (bindings/engine/agent/ladder.cpp)."""

import sys

from kelvo_web._native import ladder

# The binding is a submodule of the one extension module, named after this path: the module
# imported from here is that submodule itself (its .pyi stub lies beside this file).
ladder.__spec__ = __spec__  # so importlib finds this file for the path, as for any module
sys.modules[__name__] = ladder
