"""
Reads step files: tests written as Markdown text, one step per list item.
"""



SECRET_SHOWN: str = '********'

BUILTIN_TAGS: list = ['skip', 'xfail']

def read(text: object, has_url: object, environ: object | None, variables: object | None, secret_names: object | None, tags: object | None) -> dict:
    """
    A step file's text read: {'tests': [{name, line, start, tags, steps: [(text, line)]}], 'problems': [(line, message)], 'secrets': [values to mask]}. `start` is as written (None when the file gives none); the tests are empty when there is any problem.
    """

def mask(text: object, secrets: object) -> str:
    """`text` with every secret shown as ********."""
