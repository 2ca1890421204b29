"""How a step ends: a result record, a problem worth another attempt, or a failure."""

from __future__ import annotations

from typing import Any

NOT_FOUND = {"resolved": False, "confidence": 0.0, "element": None, "candidates": []}


class StepFailure(AssertionError):
    """A step that did not do what it says; the message names the step and what was close."""

    def __init__(self, message: str, step: dict[str, Any] | None = None, result: dict[str, Any] | None = None) -> None:
        super().__init__(message)
        self.step = step  # the step's record, as the report shows it
        self.result = result  # what the step found, when it found something


class Problem(Exception):
    """Why an attempt at a step failed; `retry` when a later look at the page may differ."""

    def __init__(self, problem, expected=None, actual=None, candidates=(), title=None, retry=True, result=None):
        super().__init__(problem)
        self.problem = problem
        self.expected = expected
        self.actual = actual
        # A callable is asked only when the failure is told: the names close to a target are
        # looked for once, not on every attempt of a step that keeps finding nothing.
        self._candidates = candidates if callable(candidates) else list(candidates)
        self.title = title
        self.retry = retry
        self.result = result
        self.timed = False  # the message already says how long the step waited

    @property
    def candidates(self):
        if callable(self._candidates):
            self._candidates = list(self._candidates())
        return self._candidates


def first_line(error):
    text = str(error).strip()
    return text.splitlines()[0] if text else type(error).__name__


def done(**extra):
    """The result of a step that needs no element: resolved, certain, nothing to choose from."""
    return {"resolved": True, "confidence": 1.0, "element": None, **extra, "candidates": []}


def refused(problem):
    """Whether the element itself cannot take the action (not editable, not a select, gone)."""
    return not problem.retry or "not attached" in problem.problem or "detached" in problem.problem
