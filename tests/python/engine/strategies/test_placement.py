"""SpatialStrategy checks its arguments and answers with no resolution."""

import pytest

from kelvo_web.engine.strategies import placement
from kelvo_web.engine.strategies.placement import SpatialStrategy


def test_descriptions():
    assert (
        placement.__doc__ == "Level 2 resolution strategy: uses the spatial matrix to resolve relational instructions."
    )
    assert SpatialStrategy.__doc__ == "Resolves instructions using spatial relationships between DOM elements."


@pytest.mark.parametrize(
    "args, kwargs",
    [
        (({}, {}, []), {}),
        (({"action": "click"}, {"cells": [1]}, [{"tag": "a"}]), {}),
        ((), {"parsed_instruction": {}, "matrix": {}, "dom_candidates": []}),
        (({},), {"dom_candidates": [], "matrix": {}}),
    ],
)
def test_well_typed_calls_answer_none(args, kwargs):
    assert SpatialStrategy().resolve(*args, **kwargs) is None


@pytest.mark.parametrize(
    "args, message",
    [
        (([], [], None), "parsed_instruction must be a dict, not list"),
        (({}, [], []), "matrix must be a dict, not list"),
        (({}, {}, None), "dom_candidates must be a list, not NoneType"),
        (({}, {}, ({},)), "dom_candidates must be a list, not tuple"),
    ],
)
def test_first_wrong_argument_is_named(args, message):
    with pytest.raises(TypeError, match=message):
        SpatialStrategy().resolve(*args)


def test_argument_errors_name_resolve():
    with pytest.raises(TypeError, match="resolve"):
        SpatialStrategy().resolve({}, {})
    with pytest.raises(TypeError, match="resolve"):
        SpatialStrategy().resolve({}, {}, [], extra=1)


def test_nothing_is_changed():
    parsed, matrix, candidates = {"action": "click"}, {}, [{"tag": "a"}]
    SpatialStrategy().resolve(parsed, matrix, candidates)
    assert (parsed, matrix, candidates) == ({"action": "click"}, {}, [{"tag": "a"}])
