"""Renders the HTML test report."""



def render(results: object, steps: object | None, elapsed: object, run: object | None = None) -> str:
    """
    The complete HTML document for `results` (result records), `steps` (node id to step records, or None), `elapsed` (the run's seconds) and `run` (None, or a dict with `environment`, a list of [name, value] pairs, and `interrupted`).
    """
