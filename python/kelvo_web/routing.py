"""Which resolver the agent asks first, decided from the words of a target phrase."""

import re

# Relation keywords as word sequences: "next to" must appear as two whole words.
RELATION_WORDS = (
    ("next", "to"),
    ("right", "of"),
    ("left", "of"),
    ("below",),
    ("under",),
    ("above",),
    ("near",),
)

ORDINAL_WORDS = frozenset({"first", "second", "third", "fourth", "fifth", "1st", "2nd", "3rd", "4th", "5th"})

# Actions whose target names an element the agent acts on or checks.
ELEMENT_ACTIONS = frozenset({
    "click", "type", "select", "hover", "extract_text",
    "verify_present", "verify_visible", "verify_enabled", "verify_disabled",
})

SPATIAL = "spatial"
TEXT = "text"


def words_of(phrase):
    """Lower-cased words of a phrase; punctuation around a word does not hide it."""
    return re.findall(r"[\w']+", (phrase or "").lower())


def has_relation(words):
    for relation in RELATION_WORDS:
        size = len(relation)
        for start in range(len(words) - size + 1):
            if tuple(words[start:start + size]) == relation:
                return True
    return False


def is_spatial_phrase(target):
    """True when the phrase holds a relation keyword or an ordinal word as whole words.

    The spatial resolver's own phrase parser also finds keywords inside longer words
    ("Linear gauge" holds "near"); routing on whole words keeps such names with the
    text strategy.
    """
    words = words_of(target)
    return has_relation(words) or any(word in ORDINAL_WORDS for word in words)


def resolver_order(action, target):
    """The resolvers to try, in order, for an element action; () for any other action."""
    if action not in ELEMENT_ACTIONS:
        return ()
    if is_spatial_phrase(target):
        return (SPATIAL, TEXT)
    return (TEXT, SPATIAL)
