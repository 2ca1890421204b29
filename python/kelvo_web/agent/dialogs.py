"""JavaScript dialogs (alert, confirm, prompt) as a test meets them.

An open dialog freezes the page: the click that opened it does not even return until the
dialog is decided. So *accept dialog* and *dismiss dialog* decide the next dialog to open,
and are written before the step that opens it. A dialog nobody decided is dismissed, as
the browser does on its own; a later *accept dialog* then fails and says so, instead of
letting the test go on believing the dialog was accepted.
"""


class DialogRefused(Exception):
    """An *accept dialog* that came after its dialog had already been dismissed."""


class DialogKeeper:
    def __init__(self):
        self.decision = None  # "accept" or "dismiss", kept for the next dialog to open
        self.last_message = None
        self.dismissed_unasked = None  # message of a dialog dismissed for want of a decision
        self.opened = 0  # dialogs met so far, for telling a page that keeps opening them
        self.leaving_refused = False  # a "leave this page?" prompt dismissed in this step

    def attach(self, page):
        page.on("dialog", self._on_dialog)

    def detach(self, page):
        page.remove_listener("dialog", self._on_dialog)

    def _on_dialog(self, dialog):
        self.opened += 1
        self.last_message = dialog.message
        if self.decision is not None:
            decision, self.decision = self.decision, None
        else:
            decision = "dismiss"
            self.dismissed_unasked = dialog.message
            # Dismissed, a "leave this page?" prompt keeps the page: the navigation fails.
            self.leaving_refused = self.leaving_refused or getattr(dialog, "type", None) == "beforeunload"
        _apply(dialog, decision)

    def new_step(self):
        """A step that is no dialog step begins: an earlier unasked dismissal is history."""
        self.dismissed_unasked = None
        self.leaving_refused = False

    def decide(self, decision):
        """Keep the decision for the next dialog; refuse an accept that comes too late."""
        if self.dismissed_unasked is not None:
            message, self.dismissed_unasked = self.dismissed_unasked, None
            if decision == "accept":
                raise DialogRefused(
                    f"the dialog {message!r} opened during the step before and was dismissed, "
                    "since nothing had decided it: write 'accept dialog' before the step that "
                    "opens the dialog"
                )
            return "dismissed"
        self.decision = decision
        return "next"


def _apply(dialog, decision):
    try:
        dialog.accept() if decision == "accept" else dialog.dismiss()
    except Exception:
        # The page closed or navigated away under the dialog: nothing is left to decide.
        pass


def dialog_matches(expected, actual):
    """Case-insensitive containment with blanks collapsed, so a check may quote part of it."""
    if actual is None:
        return False
    want = " ".join((expected or "").split()).lower()
    have = " ".join(actual.split()).lower()
    return bool(want) and want in have
