"""The agent's resolution steps beyond the text and spatial rules."""



class StepPlan:
    """
    A step read once: its action, its phrase and the order of the resolvers.
    """

    def __init__(self, parsed_instruction: object | None) -> None:
        """The plan of a parsed instruction."""

    def decide(self, dom_elements: object, text_elements: object | None, extras: object | None = None) -> object:
        """
        The decision on one harvest: {result, resolved_by[, verdict][, reason][, problem][, ambiguity: {count, chosen, among: positions in the candidates}][, seen]}, or None when it needs the page's extras (EXTRAS_JS) to be asked again with them.
        """

    @property
    def narrowing(self) -> object:
        """
        What a narrowed reading of the page reads by ({needle, fields, levels}, for the harvest's `narrow`), or None: the step reads the whole page.
        """

    def decide_narrowed(self, dom_elements: object, text_elements: object | None) -> object:
        """
        The decision on a narrowed reading, as decide gives it, when the whole page would give the same; None: read the whole page.
        """

def step_problems(instructions: object) -> dict:
    """
    Step number (from 1) to its problems, for every step of the list that cannot run.
    """

def wait_problem(value: object) -> object:
    """Why a wait of `value` milliseconds cannot run, or None."""

MAX_WAIT_MS: int = 600000

def identity_of(element: object, text_elements: object | None) -> object:
    """
    What the identity check compares: {xpath, text, check_text, box, row}, from a harvested descriptor and its harvest's text elements.
    """

def read_step(instruction: object | None) -> tuple:
    """
    One step read once: (the parsed instruction, its StepPlan, what the agent does: "act", "check", "read", "text", "navigate", "wait", "press", "keys", "accept", "dismiss" or "dialog"; whether its decision will all but surely want the extras, to be asked in the harvest; its narrowing, as StepPlan.narrowing gives it); ValueError, in the words a list's check gives, when the step cannot run.
    """

EXTRAS_JS: str = ...

def resolve(parsed_instruction: object, dom_elements: object, text_elements: object, extras: object) -> dict:
    """
    The ladder's answer after the rules found nothing: the result record with "resolved_by".
    """

def retry_order(action: object, candidates: object, failed: int) -> list:
    """
    The candidates still worth trying after candidates[failed] refused the action.
    """

def row_of(xpath: object | None, text_elements: object | None) -> object:
    """
    The position of the text element holding the element at `xpath` most closely, in its own document, or None.
    """

def contradicts_kind(target: object, element: object) -> bool:
    """
    Whether the target names a control kind (checkbox, radio, dropdown, textbox) the element is not.
    """

def exact_name(action: object, target: object, chosen_xpath: object, dom_elements: object, text_elements: object, extras: object) -> dict:
    """
    The element named exactly by the target when the rules' choice is not; resolved false otherwise.
    """

def row_twin(action: object, target: object, chosen_xpath: object, dom_elements: object, text_elements: object, extras: object) -> dict:
    """
    A control of the same name closer to the anchor than the rules' spatial choice; resolved false otherwise.
    """

def contradicts_name(target: object, element: object) -> bool:
    """
    Whether a spatial target names its element (the Delete button right of ...) and the element has no such name.
    """

def kind_of_word(word: object) -> str:
    """
    The control kind a tester's word names ("checkbox", "radio", "select", "textbox") or "".
    """

SPATIAL: str = 'spatial'

TEXT: str = 'text'

READING_PHRASES: tuple = ...

def resolver_order(action: object, target: object | None) -> tuple:
    """
    The resolvers to try, in order ("spatial", "text"), for an element action; () for any other action.
    """

def state_verdict(action: object, element: object) -> dict:
    """
    Whether the element is in the state a check asks for: {verified, expected, actual}.
    """
