"""
Level 1 resolution strategy: matches instructions to DOM elements by text and attributes.
"""



_MATCH_ATTRIBUTES: list = ...

_TYPE_DESCRIPTORS: set = ...

_TYPEABLE_TAGS: set = ...

_TYPEABLE_ROLES: set = ...

_SELECTABLE_TAGS: set = ...

_TEXT_ONLY_TAGS: set = ...

_DOM_DISTANCE_THRESHOLD: int = 10

def _norm(text: object | None) -> str:
    """A value as a spatial text check compares it."""

def _strip_type_descriptors(target: object | None) -> object:
    """The target without leading and trailing element-kind words."""

def _searchable_strings(element: object | None, include_label: object | None = False) -> list:
    """The element's readable strings, in match order."""

def _matches_element(target: object | None, element: object | None, include_label: object | None = False) -> bool:
    """Whether some readable string of the element contains the target."""

def _exact_matches_element(target: object | None, element: object | None, include_label: object | None = False) -> bool:
    """Whether some readable string of the element, trimmed, is the target."""

def _filter_by_action(action: object | None, elements: object | None) -> object:
    """
    Fields for typing, drop-downs for selecting; the list itself when none suits.
    """

def _dom_distance(xpath_a: object | None, xpath_b: object | None) -> int:
    """Tree edges between two elements, from their XPaths."""

def _bench_resolve(parsed_instruction: object | None, dom_elements: object | None, text_elements: object | None, repeat: int) -> float: ...

class DOMStrategy:
    """Resolves a parsed instruction against a list of live DOM elements."""

    def __init__(self) -> None: ...

    def resolve(self, parsed_instruction: dict, dom_elements: list, text_elements: list | None = None) -> dict:
        """
        The element the instruction aims at, or the answer to its check, as a new dict.
        """

    def _resolve_verify(self, action: object | None, target: object | None, dom_elements: object | None) -> dict: ...

    def _resolve_verify_text(self, action: object | None, target: object | None, text_elements: object | None) -> dict: ...

    def _resolve_find_text(self, target: object | None, text_elements: object | None) -> dict: ...

    def _resolve_find_exact_text(self, target: object | None, text_elements: object | None) -> dict: ...

    def _resolve_verify_spatial_text(self, target: object | None, expected: object | None, text_elements: object | None, dom_elements: object | None = None) -> dict: ...

    def _resolve_extract_spatial_text(self, target: object | None, text_elements: object | None, dom_elements: object | None = None) -> dict: ...
