"""What a step can say on a page: every control and text, each with the shortest phrase the
engine resolves back to exactly that element.

One harvest (with the ladder's extras) is read; every candidate phrase is then decided by the
core's step engine on that same reading, as a step would be, without acting. A phrase is listed
only when its decision names the very element it was made for: a round trip, not a guess.
"""

from kelvo_web.agent import finding
from kelvo_web.agent.messages import describe

ORDINALS = ("first", "second", "third", "fourth", "fifth")  # the leading ordinals steps know
RELATIONS = ("near", "below", "right of", "above", "left of")
ANCHORS_TRIED = 3  # the texts nearest an element that a place phrase may measure from
MAX_NAME = 60

_TEXT_INPUTS = {"", "text", "email", "password", "search", "tel", "url", "number", "date", "time"}
_BUTTON_INPUTS = {"submit", "button", "reset", "image"}
# The one word a person uses for each kind, as the step language knows it.
_KIND_WORD = {
    "button": "button",
    "link": "link",
    "field": "field",
    "dropdown": "dropdown",
    "checkbox": "checkbox",
    "radio": "radio",
    "tab": "tab",
}
_TEMPLATES = {"field": "type TEXT into {}", "dropdown": "select OPTION from {}"}


def kind_of(element, control=None):
    """The kind a person would call the element: button, link, field, dropdown, checkbox..."""
    tag = (element.get("tag") or "").lower()
    attributes = element.get("attributes") or {}
    kind = (control or {}).get("kind")
    if tag == "a":
        return "link"
    if tag == "select" or kind == "select":
        return "dropdown"
    if tag == "textarea" or element.get("is_editable_field") or kind == "textbox":
        return "field"
    if tag == "input":
        kind_attr = str(attributes.get("type") or "").lower()
        if kind_attr in _BUTTON_INPUTS:
            return "button"
        if kind_attr in ("checkbox", "radio"):
            return kind_attr
        if kind_attr in _TEXT_INPUTS:
            return "field"
        return "control"
    if kind in ("checkbox", "radio", "tab", "button", "link"):
        return kind
    return "button" if tag == "button" else "control"


def _step(kind, phrase):
    # Decided with stand-in text: the value a step types or selects does not change its target.
    shown = _TEMPLATES.get(kind, "click {}").format(phrase)
    decided = shown.replace("TEXT", "x", 1).replace("OPTION", "x", 1)
    return shown, decided


def _clean(text):
    text = " ".join(str(text or "").split())
    return text if 0 < len(text) <= MAX_NAME else ""


def _names(element, control):
    """The names a person sees, in the order a tester would reach for them; then the machine
    names (id, name, the spatial label), tried last."""
    attributes = element.get("attributes") or {}
    seen = [
        (control or {}).get("name"),
        element.get("text"),
        *(attributes.get(key) for key in ("aria-label", "placeholder", "title", "alt", "value")),
    ]
    machine = [attributes.get(key) for key in ("id", "name", "_label")]
    shown = list(dict.fromkeys(n for n in map(_clean, seen) if n))
    return shown, [n for n in dict.fromkeys(map(_clean, machine)) if n and n not in shown]


def _center(element):
    box = element.get("bounding_box") or {}
    return (box.get("x", 0) + box.get("width", 0) / 2, box.get("y", 0) + box.get("height", 0) / 2)


class _Page:
    """One reading of the page and the decisions made on it."""

    def __init__(self, reading):
        self.elements, self.texts, self.extras = reading.elements, reading.texts, reading.extras
        self.decided = 0

    def resolves_to(self, step, xpath):
        try:
            _parsed, plan, _aim, wants_extras, _narrow = finding.read_step(step)
        except ValueError:
            return False, None
        self.decided += 1
        # As a step decides: with the extras only when it reads them with its harvest, else
        # when the core asks for them.
        decision = plan.decide(self.elements, self.texts, self.extras if wants_extras else None)
        if decision is None:
            decision = plan.decide(self.elements, self.texts, self.extras)
        element = (decision or {}).get("result", {}).get("element") if decision else None
        return (element is not None and element.get("xpath") == xpath), element

    def anchors(self, element):
        x, y = _center(element)
        own = element.get("xpath") or ""
        near = []
        for text in self.texts:
            name = _clean(text.get("text"))
            if not name or not text.get("is_visible") or own.startswith(text.get("xpath") or "\0"):
                continue
            tx, ty = _center(text)
            near.append(((tx - x) ** 2 + (ty - y) ** 2, name))
        near.sort(key=lambda pair: pair[0])
        return list(dict.fromkeys(name for _, name in near))[:ANCHORS_TRIED]


def _reach(page, element, kind, names, machine=(), text_step=False):
    """{phrase, step, by} of the first way of naming that reaches the element, else {why}."""
    xpath = element.get("xpath")
    word = _KIND_WORD.get(kind)
    if text_step:
        step_of = lambda phrase: ("extract text " + phrase, "extract text " + phrase)
    else:
        step_of = lambda phrase: _step(kind, phrase)
    first = names[:1] or ([word] if word else [])
    anchors = [] if text_step else page.anchors(element)
    tiers = [
        ("name", names),
        ("type word", [word] if word else []),
        ("ordinal", [f"{o} {n}" for n in (names[:1] + ([word] if word else [])) for o in ORDINALS]),
        # A text is read by its words or their order; a place phrase reads the text beside an anchor.
        ("place", [] if text_step else [f"{n} {r} {a}" for n in first for r in RELATIONS for a in anchors]),
        ("quoted", [f'"{n}"' for n in names if '"' not in n]),
        ("attribute", list(machine)),
    ]
    missed = None
    for way, phrases in tiers:
        for phrase in dict.fromkeys(phrases):
            shown, decided = step_of(phrase)
            hit, got = page.resolves_to(decided, xpath)
            if hit:
                return {"phrase": phrase, "step": shown, "by": way}
            if missed is None and got is not None and way == "name":
                missed = (phrase, got)
    if not element.get("is_visible", True):
        why = "not visible: steps reach what a person sees"
    elif not names and not word:
        why = "it has no name (no text, label, aria-label, title or placeholder) and no kind a step can name"
    elif missed:
        why = f"{missed[0]!r} resolves to {describe(missed[1])} instead, and no ordinal or place phrase singles it out"
    else:
        why = "no name, ordinal or place phrase resolves to it"
    return {"phrase": None, "step": None, "by": None, "why": why}


def phrases(page):
    """The listing of one page: {url, controls, texts, reached, interactable, share, decisions}."""
    reading = finding.harvest(page, extras=True)
    if reading.extras is None:
        reading = reading._replace(extras=finding.read_extras(page))
    seen = _Page(reading)
    controls_by_xpath = {c.get("xpath"): dict(c) for c in (reading.extras or {}).get("controls", [])}
    controls, elements = [], {}
    for element in reading.elements:
        elements.setdefault(element.get("xpath"), dict(element))
    for xpath, control in controls_by_xpath.items():
        elements.setdefault(xpath, control)  # widgets the harvest does not list as controls
    for xpath, element in elements.items():
        control = controls_by_xpath.get(xpath)
        kind = kind_of(element, control)
        names, machine = _names(element, control)
        row = {
            "kind": kind,
            "name": (names or machine or [""])[0],
            "xpath": xpath,
            "visible": bool(element.get("is_visible", True)),
        }
        row.update(_reach(seen, element, kind, names, machine))
        controls.append(row)
    texts = []
    interactable = set(elements)
    for text in reading.texts:
        name = _clean(text.get("text"))
        if not name or text.get("xpath") in interactable or not text.get("has_direct_text", True):
            continue
        row = {"kind": "text", "name": name, "xpath": text.get("xpath"), "visible": bool(text.get("is_visible"))}
        row.update(_reach(seen, text, "text", [name], text_step=True))
        texts.append(row)
    reached = sum(1 for row in controls if row["phrase"])
    return {
        "url": page.url,
        "controls": controls,
        "texts": texts,
        "reached": reached,
        "interactable": len(controls),
        "share": round(reached / len(controls), 3) if controls else 1.0,
        "decisions": seen.decided,
    }


def as_table(listing):
    """The listing as a console table: kind, the step, and why for what no step reaches."""
    rows = [("kind", "step (or why none reaches it)")]
    for row in [*listing["controls"], *listing["texts"]]:
        said = row["step"] if row["phrase"] else f"(unreachable: {row['name'] or 'unnamed'}) {row['why']}"
        rows.append((row["kind"], said))
    width = max(len(kind) for kind, _ in rows)
    lines = [f"{kind:<{width}}  {said}" for kind, said in rows]
    share = f"{listing['share'] * 100:.0f}%"
    lines.append(
        f"{listing['reached']} of {listing['interactable']} controls have a phrase ({share}); "
        f"{sum(1 for t in listing['texts'] if t['phrase'])} of {len(listing['texts'])} texts"
    )
    return "\n".join(lines)
