"""The core's text helpers hold exactly to Python's own str methods."""

import unicodedata

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from kelvo_web import _text


def assigned_code_points():
    # Code points Python's own Unicode database knows; newer ones may differ by version.
    for cp in range(0x110000):
        if 0xD800 <= cp <= 0xDFFF:
            continue
        ch = chr(cp)
        if unicodedata.category(ch) != "Cn":
            yield ch


ALL_CHARS = list(assigned_code_points())


@pytest.mark.parametrize(
    "helper, python",
    [
        ("lower", str.lower),
        ("isspace", str.isspace),
        ("isdigit", str.isdigit),
        ("repr", repr),
    ],
)
def test_every_assigned_character_matches_python(helper, python):
    ours = getattr(_text, helper)
    wrong = [(hex(ord(ch)), ours(ch), python(ch)) for ch in ALL_CHARS if ours(ch) != python(ch)]
    assert wrong[:20] == []


TRICKY = [
    "İstanbul",
    "ΟΔΟΣ ΣΑΣ",
    "Σ",
    "aΣ'b",
    "Straße",
    "ǅemal",
    "\u00a0Total\u00a0",
    "€ 42,00",
    "\u3000全角\u3000",
    "x\u2003y\u2009z",
    "tab\tnew\nline\r",
    "\x1c\x1d\x1e\x1f",
    "\u200b",
    "it's",
    'say "hi"',
    "both ' and \"",
    "back\\slash",
    "\U0001f600",
    "\x7f\x80\x9f",
]


@pytest.mark.parametrize("text", TRICKY)
def test_tricky_strings_match_python(text):
    assert _text.lower(text) == text.lower()
    assert _text.strip(text) == text.strip()
    assert _text.split(text) == text.split()
    assert _text.repr(text) == repr(text)
    assert _text.length(text) == len(text)
    assert _text.isdigit(text) == text.isdigit()


def test_aligned_lower_keeps_positions():
    text = "type İstanbul into City"
    aligned = _text.lower_aligned(text)
    assert len(aligned) == len(text)
    assert aligned == "type istanbul into city"


unicode_text = st.text(alphabet=st.characters(blacklist_categories=("Cs", "Cn")), max_size=40)


@settings(max_examples=500, deadline=None)
@given(unicode_text)
def test_random_text_matches_python(text):
    assert _text.lower(text) == text.lower()
    assert _text.strip(text) == text.strip()
    assert _text.split(text) == text.split()
    assert _text.repr(text) == repr(text)
    assert _text.length(text) == len(text)
