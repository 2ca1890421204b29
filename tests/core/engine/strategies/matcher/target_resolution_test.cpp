#include <gtest/gtest.h>

#include "engine/strategies/matcher/records.h"

using namespace matcher_test;
namespace km = kelvo::matcher;

namespace {

Record instruction(const char* action, const char* target, Record ordinal = Record()) {
  Record i = Record::object();
  i["action"] = action;
  i["target"] = target;
  i["value"] = nullptr;
  if (!ordinal.is_null()) i["ordinal"] = std::move(ordinal);
  i["_literal_target"] = false;
  return i;
}

Record labelled_input(const char* label) {
  Record attributes = Record::object();
  attributes["_label"] = label;
  return control("input", "", 0, 0, true, attributes);
}

}  // namespace

struct TargetCase {
  Record instruction;
  Elements dom;
  Elements text;
  long element;  // position chosen, -1 for not found
  std::vector<long> candidates;
  Source source;
  const char* why;
};

void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.why; }

class TargetResolution : public testing::TestWithParam<TargetCase> {};

TEST_P(TargetResolution, ChoosesTheMeantElement) {
  const auto& c = GetParam();
  auto r = km::DOMStrategy().resolve(c.instruction, c.dom, &c.text);
  EXPECT_EQ(chosen(r), c.element) << c.why;
  EXPECT_EQ(candidates(r), c.candidates) << c.why;
  EXPECT_EQ(r.resolved, c.element >= 0) << c.why;
  EXPECT_EQ(r.confidence(), c.element >= 0 ? 1.0 : 0.0) << c.why;
  if (r.element) EXPECT_EQ(r.element->source, c.source) << c.why;
}

const auto D = Source::dom_elements;
const auto T = Source::text_elements;

INSTANTIATE_TEST_SUITE_P(
    Table, TargetResolution,
    testing::Values(
        TargetCase{instruction("click", "Login", 1),
                   {control("button", "Login with Google"), control("button", "Login", 0, 40)},
                   {}, 1, {1}, D, "exact beats contains"},
        TargetCase{instruction("click", "Submit", 2),
                   {control("button", "Submit", 0, 90), control("button", "Submit", 0, 10),
                    control("button", "Submit", 0, 50)},
                   {}, 2, {1, 2, 0}, D, "second in reading order"},
        TargetCase{instruction("click", "Submit", 2), {control("button", "Submit")}, {}, 0, {0},
                   D, "ordinal clamped to the last match"},
        TargetCase{instruction("click", "Go", 1),
                   {control("button", "Go", 90, 10), control("button", "Go", 10, 10),
                    control("button", "Go", 10, 10)},
                   {}, 1, {1, 2, 0}, D, "same row by x, ties keep list order"},
        TargetCase{instruction("type", "Email"), {control("button", "Email"), labelled_input("Email")},
                   {}, 1, {1}, D, "typing searches field labels"},
        TargetCase{instruction("click", "Email", 1), {labelled_input("Email")}, {}, -1, {}, D,
                   "clicking ignores labels"},
        TargetCase{instruction("type", "E-mail"), {labelled_input("E-mail:")}, {}, 0, {0}, D,
                   "hyphenated label found"},
        TargetCase{instruction("type", "Search"), {control("button", "Search")}, {}, 0, {0}, D,
                   "no field: any element may be typed into"},
        TargetCase{instruction("type", "Search"), {labelled_input("Name"), control("button", "Search")},
                   {}, -1, {}, D, "a field exists: only fields are eligible"},
        TargetCase{instruction("select", "Colour"),
                   {control("select", "Red Green", 0, 0, true, Record::parse(R"({"_label": "Colour"})")),
                    control("button", "Colour")},
                   {}, -1, {}, D, "select ignores labels and keeps to selects"},
        TargetCase{instruction("click", "Save", 1),
                   {control("button", "Save", 0, 0, false), control("button", "Save draft", 0, 50)},
                   {}, 1, {1}, D, "visible contains-match beats hidden exact"},
        TargetCase{instruction("click", "Save", 1), {control("button", "Save", 0, 0, false)}, {}, 0,
                   {0}, D, "hidden match when nothing visible matches"},
        TargetCase{instruction("extract_text", "Total", 1), {control("button", "Pay")},
                   {text_at("span", "Total: 42", box(0, 0), "/html[1]/body[1]/span[1]")}, 0, {0}, T,
                   "text fallback for reading text"},
        TargetCase{instruction("click", "Total", 1), {control("button", "Pay")},
                   {text_at("span", "Total: 42", box(0, 0), "/html[1]/body[1]/span[1]")}, -1, {}, D,
                   "no text fallback for clicks"},
        TargetCase{instruction("click", "Go", 0),
                   {control("button", "Go on", 0, 0), control("button", "Go further", 0, 10),
                    control("button", "Go", 0, 20, true, Record::parse(R"({"class": "big-go"})"))},
                   {}, 2, {2}, D, "exact preference holds for ordinal 0"},
        TargetCase{instruction("click", "Go", 0),
                   {control("button", "Go further", 0, 0), control("button", "Go on", 0, 10)}, {},
                   0, {1, 0}, D, "ordinal 0: by text length, the longest chosen"},
        TargetCase{instruction("click", "Go", -1),
                   {control("button", "Go further", 0, 0), control("button", "Go on", 0, 10)}, {},
                   1, {1, 0}, D, "ordinal -1: second from the end"},
        TargetCase{instruction("click", "Go", -2),
                   {control("button", "Go further", 0, 0), control("button", "Go on", 0, 10)}, {},
                   -1, {}, D, "ordinal before the first match: not found"},
        TargetCase{instruction("click", "Go", INT64_MIN), {control("button", "Go")}, {}, -1, {}, D,
                   "far negative ordinal does not overflow"},
        TargetCase{instruction("click", "Go", INT64_MAX), {control("button", "Go")}, {}, 0, {0}, D,
                   "far ordinal clamps"},
        TargetCase{instruction("click", "Login button", 1), {control("button", "Login")}, {}, 0, {0},
                   D, "descriptor words stripped"},
        TargetCase{instruction("click", "Login"), {}, {}, -1, {}, D, "nothing to search"},
        TargetCase{instruction("click", "Paiement", 1),
                   {control("button", "PAIEMENT\u00a0SÉCURISÉ"), control("button", "Paiement")}, {},
                   1, {1}, D, "accented capitals and nbsp in page text"}));

TEST(TargetResolution, ChoosingNeverModifiesTheCallerLists) {
  Elements dom = {control("button", "Go", 0, 90), control("button", "Go", 0, 10)};
  Elements copy = dom;
  km::DOMStrategy().resolve(instruction("click", "Go", 1), dom, nullptr);
  EXPECT_EQ(dom, copy);
}

struct KindCase {
  Record instruction;
  const char* message;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.message; }

class InstructionKinds : public testing::TestWithParam<KindCase> {};

TEST_P(InstructionKinds, RejectedBeforeMatching) {
  try {
    km::DOMStrategy().resolve(GetParam().instruction, {}, nullptr);
    FAIL() << "accepted " << GetParam().instruction.dump();
  } catch (const km::ArgumentError& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstructionKinds,
    testing::Values(
        KindCase{Record::array(), "parsed_instruction must be a dict, not list"},
        KindCase{Record::parse(R"({"action": 3, "target": "x"})"),
                 "parsed_instruction['action'] must be str or None, not int"},
        KindCase{Record::parse(R"({"action": "click", "target": ["x"]})"),
                 "parsed_instruction['target'] must be str or None, not list"},
        KindCase{Record::parse(R"({"action": "click", "target": null})"),
                 "target must be str, not NoneType"},
        KindCase{Record::parse(R"({"action": null, "target": "x"})"),
                 "action must be str, not NoneType"},
        KindCase{Record::parse(R"({"action": "click", "target": "x", "ordinal": 2.0})"),
                 "ordinal must be int, not float"},
        KindCase{Record::parse(R"({"action": "verify_spatial_text", "target": "below x", "value": null})"),
                 "expected must be str, not NoneType"}));

TEST(TargetResolution, MissingKeysReadAsDefaults) {
  // No action and no target: every element with a readable string contains "".
  Elements dom = {control("button", "", 0, 0), control("button", "B", 0, 10)};
  auto r = km::DOMStrategy().resolve(Record::object(), dom, nullptr);
  EXPECT_EQ(chosen(r), 1);
  EXPECT_EQ(candidates(r), std::vector<long>{1});
}
