#include <gtest/gtest.h>

#include "engine/strategies/matcher/records.h"

using namespace matcher_test;
namespace km = kelvo::matcher;

namespace {

Record flagged(const char* text, Record visible, Record enabled) {
  Record e = control("button", text);
  if (visible.is_null()) e.erase("is_visible"); else e["is_visible"] = visible;
  if (enabled.is_null()) e.erase("is_enabled"); else e["is_enabled"] = enabled;
  return e;
}

Record text(const char* t) { return text_at("p", t, box(0, 0), "/html[1]/body[1]/p[1]"); }

}  // namespace

struct VerifyCase {
  const char* action;
  const char* target;
  Elements dom;
  bool resolved;
  Record verified;
  Record state;
  long element;
  const char* why;
};

void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.why; }

class StateVerification : public testing::TestWithParam<VerifyCase> {};

TEST_P(StateVerification, ReadsHarvestedFlags) {
  const auto& c = GetParam();
  auto r = km::DOMStrategy().resolve_verify(c.action, c.target, c.dom);
  EXPECT_EQ(r.shape, km::Shape::verification);
  EXPECT_EQ(r.resolved, c.resolved) << c.why;
  EXPECT_EQ(r.verified, c.verified) << c.why;
  EXPECT_EQ(r.state, c.state) << c.why;
  EXPECT_EQ(chosen(r), c.element) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StateVerification,
    testing::Values(
        VerifyCase{"verify_disabled", "Submit", {flagged("Submit", true, false)}, true, true,
                   Record::parse(R"({"present": true, "visible": true, "enabled": false})"), 0,
                   "disabled button"},
        VerifyCase{"verify_present", "Save", {flagged("Submit", true, true)}, false, false,
                   Record::object(), -1, "nothing mentions Save"},
        VerifyCase{"verify_visible", "Login button",
                   {flagged("Login with Google", true, true), flagged("Login", false, true)}, true,
                   false, Record::parse(R"({"present": true, "visible": false, "enabled": true})"),
                   1, "shortest text wins, hidden or not"},
        VerifyCase{"verify_enabled", "Go", {flagged("Go", true, nullptr)}, true, false,
                   Record::parse(R"({"present": true, "visible": true, "enabled": false})"), 0,
                   "missing is_enabled counts as not enabled"},
        VerifyCase{"verify_disabled", "Go", {flagged("Go", true, nullptr)}, true, true,
                   Record::parse(R"({"present": true, "visible": true, "enabled": false})"), 0,
                   "...so it verifies as disabled"},
        VerifyCase{"verify_visible", "Go", {flagged("Go", "yes", 0)}, true, "yes",
                   Record::parse(R"({"present": true, "visible": "yes", "enabled": 0})"), 0,
                   "hand-built flags reported as stored"},
        VerifyCase{"verify_disabled", "Go", {flagged("Go", true, 0)}, true, true,
                   Record::parse(R"({"present": true, "visible": true, "enabled": 0})"), 0,
                   "only disabled negates to a boolean"},
        VerifyCase{"verify_present", "Email",
                   {control("input", "", 0, 0, true, Record::parse(R"({"_label": "Email"})"))}, false,
                   false, Record::object(), -1, "labels take no part"}));

struct TextCase {
  const char* operation;
  const char* target;
  std::vector<const char*> texts;
  bool resolved;
  long element;
  std::vector<long> candidates;
  const char* why;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.why; }

class TextSearch : public testing::TestWithParam<TextCase> {};

TEST_P(TextSearch, FindsPageText) {
  const auto& c = GetParam();
  Elements texts;
  for (const char* t : c.texts) texts.push_back(text(t));
  km::DOMStrategy s;
  std::string op = c.operation;
  km::ResolutionResult r = op == "find_text"         ? s.resolve_find_text(c.target, texts)
                           : op == "find_exact_text" ? s.resolve_find_exact_text(c.target, texts)
                                                     : s.resolve_verify_text(op, c.target, texts);
  EXPECT_EQ(r.resolved, c.resolved) << c.why;
  EXPECT_EQ(chosen(r), c.element) << c.why;
  EXPECT_EQ(candidates(r), c.candidates) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextSearch,
    testing::Values(
        TextCase{"find_text", "total", {"Total", "Subtotal: 12", "Total due"}, true, 0, {0, 2, 1},
                 "shortest containing text"},
        TextCase{"find_exact_text", "Total", {"Total", "Subtotal: 12", "Total due"}, true, 0,
                 {0, 0, 1, 2}, "exact list then partial list, unsorted"},
        TextCase{"find_exact_text", "Total", {"Total due", "Subtotal: 12"}, false, -1, {0, 1},
                 "near misses sorted by length"},
        TextCase{"find_exact_text", "total", {"  Total  "}, true, 0, {0, 0}, "text trimmed"},
        TextCase{"find_exact_text", "total ", {"Total"}, false, -1, {}, "target not trimmed"},
        TextCase{"find_exact_text", "total", {"\u00a0Total\u00a0"}, true, 0, {0, 0},
                 "non-breaking spaces trimmed"},
        TextCase{"find_text", "x", {}, false, -1, {}, "no text elements"},
        TextCase{"find_exact_text", "x", {}, false, -1, {}, "no text elements"},
        TextCase{"find_text", "prix total", {"PRIX TOTAL : 12 €"}, true, 0, {0},
                 "case-insensitive with currency"},
        TextCase{"verify_text_present", "WELCOME", {"Welcome back, dear Alice", "Welcome to the shop"},
                 true, 1, {1, 0}, "case-insensitive contains, shortest first"},
        TextCase{"verify_text_present", "first-name", {"first name"}, false, -1, {},
                 "page text is not normalised"},
        TextCase{"verify_text_visible", "", {"Long text here", "Short"}, true, 1, {1, 0},
                 "empty target matches every text"},
        TextCase{"verify_text_present", "ÉTÉ", {"Offres d'été"}, true, 0, {0},
                 "accented capitals"}));

TEST(TextSearch, VerifyTextReportsVisibility) {
  Elements texts = {text("Hello")};
  texts[0]["is_visible"] = false;
  auto r = km::DOMStrategy().resolve_verify_text("verify_text_visible", "hello", texts);
  EXPECT_EQ(r.verified, false);
  EXPECT_EQ(r.state, Record::parse(R"({"present": true, "visible": false})"));
  r = km::DOMStrategy().resolve_verify_text("verify_text_present", "hello", texts);
  EXPECT_EQ(r.verified, true);
}

TEST(TextSearch, UnknownVerifyActionIsRefused) {
  EXPECT_THROW(km::DOMStrategy().resolve_verify("click", "x", {}), km::ArgumentValueError);
  EXPECT_THROW(km::DOMStrategy().resolve_verify_text("verify_visible", "x", {}),
               km::ArgumentValueError);
}
