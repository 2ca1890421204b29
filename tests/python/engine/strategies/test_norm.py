"""The value normaliser of spatial text checks, as the module exposes it."""

import pytest

from kelvo_web.engine.strategies.matcher import _norm


@pytest.mark.parametrize(
    "text, expected, why",
    [
        ("$1,200.00", "1200.00", "money sign and thousands separator drop"),
        ("1200.00", "1200.00", "already plain"),
        ("  £5 ", "5", "pound sign, then stripped"),
        ("€", "", "a lone sign normalises to nothing"),
        ("TOTAL: 42", "total: 42", "lower-cased"),
        ("$ 1,2", "12", "signs and commas go first, the blank they leave is stripped"),
    ],
)
def test_norm(text, expected, why):
    assert _norm(text) == expected, why


def test_norm_names_its_argument():
    with pytest.raises(TypeError, match="text"):
        _norm(12)
