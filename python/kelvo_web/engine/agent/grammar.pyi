"""
The instruction language: plain-English steps to structured instructions.
"""

import re


_QUOTE_RE: re.Pattern = ...

_ORDINALS: dict = ...

def _extract_ordinal(text: object | None) -> tuple:
    """Reads a leading ordinal word: (its number, the rest) or (1, text)."""

class InstructionParser:
    """
    Converts free-text instructions into structured action/target/value dicts.
    """

    def __init__(self) -> None: ...

    SUPPORTED_ACTIONS: list = ...

    _VERIFY_STATES: dict = ...

    _VERIFY_TEXT_STATES: dict = ...

    _STOP_WORDS: set = ...

    _KNOWN_ACTIONS: set = ...

    def parse(self, instruction: object | None) -> dict:
        """
        Parses one instruction into a new dict; raises ValueError when no form matches.
        """

    def validate(self, instruction: object | None) -> list:
        """Problems found in one instruction; an empty list when none."""

    def validate_all(self, instructions: object | None) -> dict:
        """
        Instruction number (from 1) to its problems, only for instructions with problems.
        """

    def _unquote(self, instruction: object | None) -> tuple:
        """The text with quoted segments unwrapped, and the segments."""

    def _clean_target(self, target: object | None) -> str:
        """Drops leading stop words."""

def _bench_parse(instructions: object | None, repeat: int) -> float: ...
