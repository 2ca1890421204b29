"""Texts a tester reads when a step fails: what was asked, what went wrong, what was close."""

import difflib

MAX_CANDIDATES = 5


def element_name(element):
    """The most human name of a harvested record: its text, else its label-like attributes."""
    if not isinstance(element, dict):
        return ""
    text = (element.get("text") or "").strip()
    if text:
        return " ".join(text.split())
    attributes = element.get("attributes") or {}
    for key in ("aria-label", "_label", "placeholder", "title", "alt", "name", "id"):
        value = (attributes.get(key) or "").strip()
        if value:
            return value
    return ""


def describe(element):
    """One short line naming an element: its tag and name, e.g. button 'Add to cart'."""
    tag = element.get("tag", "?") if isinstance(element, dict) else "?"
    name = element_name(element)
    if len(name) > 60:
        name = name[:57] + "..."
    return f"{tag} {name!r}" if name else f"{tag} (no text)"


def closest_names(target, elements, limit=MAX_CANDIDATES):
    """Names on the page that look most like the target, for a step that found nothing."""
    names = []
    by_name = {}
    for element in elements:
        name = element_name(element)
        if name and name.lower() not in by_name:
            by_name[name.lower()] = element
            names.append(name.lower())
    close = difflib.get_close_matches((target or "").lower(), names, n=limit, cutoff=0.5)
    # Names that merely contain a word of the target are close too ("Add to cart" for "cart").
    words = [word for word in (target or "").lower().split() if len(word) > 2]
    for name in names:
        if len(close) >= limit:
            break
        if name not in close and any(word in name for word in words):
            close.append(name)
    return [by_name[name] for name in close]


def failure_message(instruction, problem, expected=None, actual=None, candidates=(), candidates_title=None):
    """The message of a failed step, one fact per line, so a tester can act on it."""
    # A lone surrogate cannot be written as UTF-8 (report files, xdist's channel): escape it.
    shown = (
        instruction.encode("utf-8", "backslashreplace").decode("utf-8") if isinstance(instruction, str) else instruction
    )
    lines = [f"Step failed: {shown}", f"  {problem}"]
    if expected is not None:
        lines.append(f"  expected: {expected!r}")
    if actual is not None:
        lines.append(f"  actual:   {actual!r}")
    shown = [
        describe(candidate) if isinstance(candidate, dict) else repr(candidate)
        for candidate in list(candidates)[:MAX_CANDIDATES]
    ]
    if shown:
        title = candidates_title or "closest candidates"
        more = len(candidates) - len(shown)
        suffix = f" (and {more} more)" if more > 0 else ""
        lines.append(f"  {title}{suffix}:")
        lines.extend(f"    - {line}" for line in shown)
    return "\n".join(lines)


ORDINAL_WORDS = ("first", "second", "third", "fourth", "fifth")


def ambiguity_note(target, ambiguity, candidates):
    """What a step that took one of several alike-named elements says: which of how many, in
    what order, and how to name another."""
    count, chosen = ambiguity["count"], ambiguity["chosen"]
    which = ORDINAL_WORDS[chosen - 1] if chosen <= len(ORDINAL_WORDS) else f"{chosen}th"
    other = "second" if chosen == 1 else "first"
    alike = [describe(candidates[i]) for i in ambiguity["among"] if i < len(candidates)]
    return (
        f"{count} elements are named {target!r} ({', '.join(alike)}, in reading order); the step took the "
        f"{which}: to choose, name one by order ('the {other} {target}') or by place ('{target} below ...')"
    )


def strict_problem(target, ambiguity, candidates):
    """Strict mode's refusal of a step whose words name several elements alike."""
    return (
        f"strict mode: {ambiguity['count']} elements are named {target!r} and the step does not say which; "
        f"name one by order ('the second {target}') or by place ('{target} below ...')"
    )
