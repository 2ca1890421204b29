#include <gtest/gtest.h>

#include "engine/strategies/matcher/records.h"

using namespace matcher_test;
namespace km = kelvo::matcher;

struct StripCase {
  const char* target;
  const char* expected;
  const char* why;
};

void PrintTo(const StripCase& c, std::ostream* os) { *os << c.why; }

class StripTypeDescriptors : public testing::TestWithParam<StripCase> {};

TEST_P(StripTypeDescriptors, DropsKindWordsAtTheEnds) {
  EXPECT_EQ(km::strip_type_descriptors(GetParam().target), GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StripTypeDescriptors,
    testing::Values(
        StripCase{"Login button", "Login", "trailing descriptor"},
        StripCase{"Email input field", "Email", "several trailing descriptors"},
        StripCase{"the Submit btn", "the Submit", "articles are not descriptors"},
        StripCase{"Select country dropdown", "country", "trailing then leading"},
        StripCase{"LOGIN BUTTON", "LOGIN", "descriptors compared lower-cased, case kept"},
        StripCase{"Save as draft form", "Save as draft", "middle words stay"},
        StripCase{"  Save   draft  ", "Save draft", "words re-joined by single spaces"},
        StripCase{"input field", "input field", "descriptors only: unchanged"},
        StripCase{"  button ", "  button ", "unchanged means not even trimmed"},
        StripCase{"", "", "empty target"},
        StripCase{"Total\u00a0button", "Total", "a non-breaking space separates words"}));

struct SurfaceCase {
  const char* element;
  bool include_label;
  std::vector<std::string> surfaces;
  const char* why;
};

void PrintTo(const SurfaceCase& c, std::ostream* os) { *os << c.why; }

class SearchableStrings : public testing::TestWithParam<SurfaceCase> {};

TEST_P(SearchableStrings, ListsReadableStringsInOrder) {
  const auto& c = GetParam();
  EXPECT_EQ(km::searchable_strings(Record::parse(c.element), c.include_label), c.surfaces) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SearchableStrings,
    testing::Values(
        SurfaceCase{R"({"text": "", "attributes": {"placeholder": "Search products",
                    "class": "form-control search_box mt-3", "id": "main-search",
                    "data-track-id": "x1", "data-testid": "search"}})",
                    false,
                    {"Search products", "search", "form control search box", "main search",
                     "track id"},
                    "every source, in order"},
        SurfaceCase{R"({"attributes": {"class": "btn btn-primary col-md-6"}})", false,
                    {"btn primary"}, "short and digit-bearing class tokens dropped"},
        SurfaceCase{R"({"attributes": {"data-qa": "1", "data-x": "2", "data-testid": "t"}})", false,
                    {"t", "qa"}, "data names: 2 characters kept, 1 dropped, testid only by value"},
        SurfaceCase{R"({"attributes": {"class": "price\u0663 total"}})", false, {"total"},
                    "any Unicode digit disqualifies a class word"},
        SurfaceCase{R"({"attributes": {"id": "user_name-2"}})", false, {"user name"},
                    "id split on _ and - before the length test"},
        SurfaceCase{R"({"text": "Go", "attributes": {"_label": "Email", "aria-label": "Send"}})",
                    false, {"Go", "Send"}, "label ignored by default"},
        SurfaceCase{R"({"text": "Go", "attributes": {"_label": "Email", "aria-label": "Send"}})",
                    true, {"Go", "Send", "Email"}, "label in its table position"},
        SurfaceCase{R"({"text": 5, "attributes": {"alt": null, "title": "T"}})", false, {},
                    "non-text values and unread attributes give nothing"},
        SurfaceCase{R"({"attributes": "oops"})", false, {}, "attributes that are no record"},
        SurfaceCase{R"({})", true, {}, "nothing at all"}));

struct MatchCase {
  const char* target;
  const char* element;
  bool include_label;
  bool contains;
  bool exact;
  const char* why;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.why; }

class MatchTests : public testing::TestWithParam<MatchCase> {};

TEST_P(MatchTests, ContainsAndExact) {
  const auto& c = GetParam();
  Record element = Record::parse(c.element);
  EXPECT_EQ(km::matches_element(c.target, element, c.include_label), c.contains) << c.why;
  EXPECT_EQ(km::exact_matches_element(c.target, element, c.include_label), c.exact) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MatchTests,
    testing::Values(
        MatchCase{"login", R"({"text": "  Login  "})", false, true, true,
                  "surface blanks ignored for exact"},
        MatchCase{" login", R"({"text": "Login"})", false, false, false,
                  "target blanks are not trimmed"},
        MatchCase{"Login", R"({"text": "Login with Google"})", false, true, false, "contains only"},
        MatchCase{"", R"({})", false, false, false, "no surface matches nothing"},
        MatchCase{"", R"({"text": "x"})", false, true, false, "empty target is contained"},
        MatchCase{"Email", R"({"attributes": {"_label": "Email"}})", false, false, false,
                  "label needs include_label"},
        MatchCase{"Email", R"({"attributes": {"_label": "Email"}})", true, true, true,
                  "label used when asked"},
        MatchCase{"E-mail", R"({"attributes": {"_label": "E-mail:"}})", true, true, false,
                  "hyphenated label found by its own name"},
        MatchCase{"Sign-in", R"({"text": "Sign-in"})", false, true, true,
                  "hyphenated text matches itself exactly"},
        MatchCase{"first-name", R"({"attributes": {"placeholder": "first_name"}})", false, true,
                  true, "_ and - read alike on both sides"},
        MatchCase{"first name", R"({"attributes": {"class": "first-name"}})", false, true, true,
                  "class words"},
        MatchCase{"total", "{\"text\": \"\u00a0Total\u00a0\"}", false, true, true,
                  "non-breaking spaces trimmed as Python trims them"},
        MatchCase{"école", R"({"text": "ÉCOLE"})", false, true, true, "accented capitals lower"},
        MatchCase{"ÉCOLE", R"({"text": "Visit the école"})", false, true, false,
                  "accented target lower-cased"},
        MatchCase{"€ 42", R"({"text": "Pay € 42 now"})", false, true, false, "currency signs kept"},
        MatchCase{"straße", R"({"text": "STRASSE"})", false, false, false,
                  "lower-casing is not case folding"}));

struct FilterCase {
  const char* action;
  std::vector<Record> elements;
  std::optional<std::vector<std::size_t>> kept;
  const char* why;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.why; }

class FilterByAction : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterByAction, KeepsSuitableElements) {
  const auto& c = GetParam();
  EXPECT_EQ(km::filter_by_action(c.action, c.elements), c.kept) << c.why;
}

Record with_role(const char* tag, const char* role) {
  Record e = control(tag, "");
  e["attributes"]["role"] = role;
  return e;
}

Record editable_div() {
  Record e = control("div", "");
  e["is_editable_field"] = true;
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterByAction,
    testing::Values(
        FilterCase{"type", {control("button", "A"), control("a", "B")}, std::nullopt,
                   "no field: list stands"},
        FilterCase{"type", {control("button", "A"), control("textarea", ""), control("a", "B")},
                   std::vector<std::size_t>{1}, "only the field"},
        FilterCase{"type", {control("button", "A"), with_role("div", "combobox"), editable_div()},
                   std::vector<std::size_t>{1, 2}, "typeable role and custom input"},
        FilterCase{"type", {control("INPUT", "")}, std::nullopt, "tags compared as stored"},
        FilterCase{"select", {control("select", ""), with_role("div", "combobox")},
                   std::vector<std::size_t>{0}, "custom drop-down is not a select"},
        FilterCase{"select", {with_role("div", "combobox")}, std::nullopt,
                   "no select: list stands"},
        FilterCase{"click", {control("input", "")}, std::nullopt, "other actions: list stands"},
        FilterCase{"type", {}, std::nullopt, "empty list"}));

struct DistanceCase {
  const char* a;
  const char* b;
  std::int64_t distance;
  const char* why;
};

void PrintTo(const DistanceCase& c, std::ostream* os) { *os << c.why; }

class DomDistance : public testing::TestWithParam<DistanceCase> {};

TEST_P(DomDistance, CountsEdgesThroughCommonAncestor) {
  EXPECT_EQ(km::dom_distance(GetParam().a, GetParam().b), GetParam().distance) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DomDistance,
    testing::Values(
        DistanceCase{"/html[1]/body[1]/div[2]/span[1]", "/html[1]/body[1]/div[2]/input[1]", 2,
                     "siblings"},
        DistanceCase{"/html[1]/body[1]/div[1]/span[1]", "/html[1]/body[1]/div[2]/span[1]", 4,
                     "position predicates differ"},
        DistanceCase{"/html[1]/body[1]/div[1]", "/html[1]/body[1]", 1, "parent"},
        DistanceCase{"/html[1]/body[1]", "html[1]/body[1]/", 0, "slashes at the ends ignored"},
        DistanceCase{"/a/x/c", "/a/y/c", 4, "equal steps after a difference do not count"},
        DistanceCase{"", "/html[1]", 2, "an empty path is one empty step"}));
