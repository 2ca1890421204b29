"""
Level 2 resolution strategy: uses the spatial matrix to resolve relational instructions.
"""



class SpatialStrategy:
    """
    Resolves instructions using spatial relationships between DOM elements.
    """

    def __init__(self) -> None: ...

    def resolve(self, parsed_instruction: dict, matrix: dict, dom_candidates: list) -> None:
        """
        Checks that parsed_instruction and matrix are dicts and dom_candidates a list, and
        returns None. A later version may answer a dict with 'resolved', 'confidence' (0.0)
        and 'element'; until then callers treat None as no resolution.
        """
