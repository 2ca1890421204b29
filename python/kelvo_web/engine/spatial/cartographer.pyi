"""
The spatial matrix: one harvest in reading order with types and ordinals.
"""



class MatrixBuilder:
    def __init__(self, dom_elements: object | None, text_elements: object | None = None) -> None: ...

    @property
    def dom_elements(self) -> object: ...

    @dom_elements.setter
    def dom_elements(self, arg: object, /) -> None: ...

    @property
    def text_elements(self) -> object: ...

    @text_elements.setter
    def text_elements(self, arg: object, /) -> None: ...

    def build(self) -> list:
        """
        A new matrix of the stored records, sorted top to bottom, left to right.
        """

def _element_type(element: object | None) -> str: ...

def _searchable(element: object | None) -> str: ...

def _position(bb: object | None) -> object: ...

_TAG_TO_TYPE: dict = ...

def _bench_build(dom_elements: object | None, text_elements: object | None, repeat: int | None) -> float: ...
