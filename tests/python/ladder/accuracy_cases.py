"""The element a tester means, by class of miss, on fixture pages of every kind testers meet.

One table shared by the agent tests and bench/ladder_coverage.py. Each case is
(class, page, instruction, expectation); an expectation is one of

    "css:<selector>"   the element acted on or checked matches the selector
    "text:<words>"     the text answered (extracted, or the found element's text) is these words
    "state:<js>"       after the step the expression is true on the page
    "fails"            the step must fail (a check that does not hold)

Verification steps must also pass unless the expectation is "fails".
"""

import re

CLASSES = {
    "1": "present vs visible",
    "2": "icon-only buttons",
    "3": "type words",
    "4": "exact text first",
    "5": "repeated text",
    "6": "controls harvested",
    "7": "spatial text",
    "8": "granularity",
    "9": "named but absent",
    "10": "invisible characters",
    "11": "anchors as the page writes them",
}

BS5 = "bs5_admin.html"
BS4 = "bs4_admin.html"
TW = "tailwind_dashboard.html"
DT = "data_table.html"
CL = "classless_showcase.html"
SF = "settings_form.html"
NA = "named_absent.html"
IM = "invisible_marks.html"
WA = "written_anchors.html"

# Every place phrase a tester may write, for the named-but-absent table below.
PLACE_PHRASES = [
    "next to",
    "beside",
    "below",
    "under",
    "beneath",
    "underneath",
    "above",
    "left of",
    "right of",
    "near",
    "to the left of",
    "to the right of",
]

CASES = [
    # 1: present means in the document; visible is a separate check.
    ("1", BS5, "verify Reset password is present", "css:#f7"),
    ("1", BS5, "verify Reset password is visible", "fails"),
    ("1", BS5, "verify text Two-factor authentication is present", "text:Two-factor authentication"),
    (
        "1",
        BS5,
        "verify text Are you sure you want to delete this user? is present",
        "text:Are you sure you want to delete this user?",
    ),
    ("1", BS5, "verify Yes, delete is present", "css:#m1-ok"),
    ("1", TW, "verify text Monthly active users is present", "text:Monthly active users"),
    ("1", TW, "verify text Monthly active users is visible", "fails"),
    ("1", SF, "verify text Please enter a valid email address. is present", "text:Please enter a valid email address."),
    ("1", SF, "verify Share usage data is present", "css:#x8"),
    (
        "1",
        CL,
        "verify text Hidden content appears when the summary is clicked. is present",
        "text:Hidden content appears when the summary is clicked.",
    ),
    # 2: icon-only buttons named by title, and by aria-label in spatial phrases; rows in tables.
    ("2", TW, "click Notifications", "css:#h2"),
    ("2", TW, "click Open user menu", "css:#h3"),
    ("2", TW, "click the Delete button right of Mobile app", "css:#j2 [title=Delete]"),
    ("2", TW, "click Edit near Billing API", "css:#j3 [title=Edit]"),
    ("2", BS5, "click the Delete button right of Bob Stone", "css:#r2 [aria-label=Delete]"),
    ("2", BS5, "click Edit near Carol White", "css:#r3 [title=Edit]"),
    ("2", BS5, "click the Edit button right of Alice Martin", "css:#r1 [title=Edit]"),
    ("2", DT, "click the Delete button right of Ashton Cox", "css:tbody tr:nth-child(3) [aria-label=Delete]"),
    ("2", DT, "click Edit row near Angelica Ramos", "css:tbody tr:nth-child(2) [title='Edit row']"),
    # 3: words that are no control type, and the type words testers use.
    ("3", TW, "click Toggle dark mode", "css:#h1"),
    ("3", BS5, "click Toggle navigation", "css:#n1"),
    ("3", BS4, "click Toggle this switch element", "state:document.querySelector('#v3').checked"),
    ("3", BS5, "click the Security tab", "css:#tab2"),
    ("3", TW, "click the Analytics tab", "css:#g2-tab"),
    ("3", SF, "click the Privacy tab", "css:#w2-tab"),
    ("3", BS5, "click the Bulk actions dropdown", "css:#d1"),
    ("3", SF, "click the radio button next to Dark", "css:#x4"),
    ("3", SF, "type 42 into the field next to Age", "css:#x6"),
    ("3", SF, "click the switch next to Automatic updates", "css:#x1"),
    ("3", TW, "click the Annual billing switch", "css:#s1"),
    ("3", BS5, "click the Email notifications switch", "css:#f5"),
    # 4: the exact text before a contains match, whichever source carries it.
    ("4", CL, "click Contrast", "css:#a2"),
    ("4", SF, "click Submit form", "css:#y8"),
    ("4", SF, "click Submit", "css:#z2"),
    ("4", BS5, "select Two from Select", "css:#f2"),
    ("4", DT, "click 2", "css:#pg2"),
    ("4", BS5, "click Users", "css:.sidebar a:nth-child(2)"),
    # 5: of repeated texts, the copy a person reads first.
    ("5", DT, "click Position", "css:thead th:nth-child(2)"),
    ("5", DT, "click Name", "css:thead th:nth-child(1)"),
    ("5", SF, "type alice into Username", "css:#y3"),
    ("5", BS4, "type alice into Username", "css:#u1"),
    ("5", BS5, "click the View all link below Active", "css:#c1-view"),
    ("5", BS4, "verify text below Pending is 4 invoices", "text:4 invoices"),
    # 6: controls the harvest does not read or name.
    ("6", CL, "click Show more details", "state:document.querySelector('#a6').open"),
    ("6", DT, "click Office", "css:thead th:nth-child(3)"),
    ("6", CL, "hover HTML", "css:#a5"),
    ("6", BS4, "click Remember me", "state:document.querySelector('#u3').checked"),
    ("6", BS4, "click Yearly", "state:document.querySelector('#v5').checked"),
    ("6", TW, "click Email alerts", "state:document.querySelector('#s3').checked"),
    ("6", BS5, "type hello into About me", "css:#f4"),
    ("6", CL, "type Ada into Full name", "css:#b1"),
    ("6", CL, "type ada@example.com into Email", "css:#b2"),
    ("6", DT, "type Tiger into Search", "css:#e2"),
    ("6", DT, "select 25 from Show entries", "css:#e1"),
    # 7: spatial text over inline and multi-line layouts, near, and table columns.
    ("7", BS4, "verify text right of Order total is $12.00", "text:$12.00"),
    ("7", BS4, "extract text right of Shipping", "text:$4.00"),
    (
        "7",
        BS4,
        "click the checkbox next to I agree to the terms of service",
        "state:document.querySelector('#v6').checked",
    ),
    ("7", CL, "click the checkbox next to I agree to the terms", "css:#b4"),
    ("7", DT, "extract text right of Airi Satou", "text:Accountant"),
    ("7", CL, "verify text near Status is Online", "text:Online"),
    ("7", CL, "extract text under Gravity", "text:3.7"),
    ("7", DT, "extract text under Office", "text:Tokyo"),
    ("7", CL, "extract text right of Last updated", "text:2 days ago"),
    # 8: the innermost element that carries the text.
    ("8", CL, "find text highlighted text", "text:highlighted text"),
    ("8", CL, "find text Leonardo da Vinci", "text:Leonardo da Vinci"),
    ("8", CL, "verify text strong importance is visible", "text:strong importance"),
    ("8", BS4, "find text $12.00", "text:$12.00"),
    ("8", DT, "find text airi@example.com", "text:airi@example.com"),
    ("8", CL, "find exact text Ctrl", "text:Ctrl"),
    # 9: a name that is not on the page is never replaced by what stands near the anchor,
    # whatever the place word; a phrase naming only a kind takes the nearest of that kind.
    *[("9", NA, f"click Delete {phrase} Carol", "fails") for phrase in PLACE_PHRASES],
    ("9", NA, "click the Delete button right of Carol", "fails"),  # other buttons in the row
    ("9", NA, "click Delete near Dave", "fails"),  # nothing of any kind beside the anchor
    ("9", NA, "click the checkbox near Carol", "fails"),  # no element of the kind anywhere
    ("9", NA, "verify Forgot password near Login is present", "fails"),
    ("9", NA, "click Sign up below Password", "fails"),
    ("9", NA, "click the button near Carol", "css:#c3"),
    ("9", NA, "click the button right of Carol", "css:#c3"),  # the anchor's own row, not the one above
    ("9", NA, "click Edit right of Carol", "css:#e3"),
    ("9", NA, "click the button below Password", "css:#login"),
    # 10: names carrying characters that take no room on screen read as a person reads them.
    ("10", IM, "click Login", "css:#login"),  # zero-width space
    ("10", IM, "click Password reset", "css:#reset"),  # soft hyphen
    ("10", IM, "click Save", "css:#save"),  # direction marks
    ("10", IM, "click Archive", "css:#archive"),  # byte order mark in aria-label
    ("10", IM, "type ada@example.com into Email", "css:#email"),  # zero-width joiner in the label
    ("10", IM, "verify text Welcome back is visible", "text:Wel\u00adcome back, Ali\u200bce"),
    ("10", IM, "click Delete right of Carol", "css:#c-del"),  # in the anchor and the name
    ("10", IM, "verify text right of Carol is Suspended", "text:Sus\u00adpended"),
    # 11: a title that starts with an article is named with it; a phrase's own article is not.
    ("11", WA, "click the checkbox next to The Aleph", "css:#box-aleph"),
    ("11", WA, 'click the checkbox next to "The Aleph"', "css:#box-aleph"),
    ("11", WA, "click the checkbox left of The Trial", "css:#box-trial"),
    ("11", WA, "click the checkbox next to Ficciones", "css:#box-ficciones"),
    ("11", WA, "click Edit right of The Aleph", "css:#edit-aleph"),
    ("11", WA, "click the checkbox next to the Notify me", "css:#notify"),
    ("11", WA, "verify text right of Sum is $7", "text:Sum $7"),  # a bare text after a bold label
    ("11", WA, "extract text right of Sum", "text:$7"),
    ("11", WA, "verify text right of Due is 12 May", "text:Due: 12 May"),  # the label's colon unwritten
    ("11", WA, 'verify text 12 orders where city = "Oslo" is visible', 'text:12 orders where city = "Oslo"'),
    ("11", WA, 'find text city = "Oslo"', 'text:12 orders where city = "Oslo"'),  # quotes inside the text
    ("11", WA, "click Don't save", "css:#dont"),  # a typographic apostrophe, typed as ASCII
    ("11", WA, "verify text Deliver in 3-5 days... is visible", "text:Deliver in 3\u20135 days\u2026"),
]

VERIFY_ACTIONS = {
    "verify_present",
    "verify_visible",
    "verify_enabled",
    "verify_disabled",
    "verify_text_present",
    "verify_text_visible",
    "verify_spatial_text",
}

_MATCHES_JS = """([x, css]) => { const el = document.evaluate(x, document, null, 9, null).singleNodeValue;
    return !!el && el.matches(css); }"""


def fold(text):
    return re.sub(r"\s+", " ", text or "").strip().lower()


def judge(page, expectation, passed, element, answer):
    """Whether a step's outcome is what the tester means.

    `passed`: the step did what it says (a check held); `element`: the record acted on or
    checked; `answer`: the text answered (extracted, or the found element's text).
    """
    kind, _, what = expectation.partition(":")
    if kind == "fails":
        return not passed
    if not passed:
        return False
    if kind == "css":
        return element is not None and bool(page.evaluate(_MATCHES_JS, [element["xpath"], what]))
    if kind == "text":
        return answer is not None and fold(answer) == fold(what)
    if kind == "state":
        return bool(page.evaluate(f"() => !!({what})"))
    raise ValueError(f"unknown expectation {expectation!r}")


def answer_of(result):
    """The text a result answers with: the extraction, else the element's own text."""
    if result is None:
        return None
    if result.get("extracted") is not None:
        return result["extracted"]
    element = result.get("element")
    return (element or {}).get("text")
