// The problems validate reports, in order, and what it lets through.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "engine/agent/grammar/grammar.h"

namespace {

using kelvo::grammar::InstructionParser;
using Messages = std::vector<std::string>;

const std::string M1 = "Instruction is empty.";
std::string M2(const std::string& quoted) {
  return "Unbalanced quote \u2014 missing closing `\"` in: " + quoted;
}
std::string M3(const std::string& quoted) {
  return "Unknown action " + quoted +
         ". Expected one of: click, type, verify, hover, select, press, wait, find, extract, "
         "sendkeys.";
}
const std::string M4 = "`type` instruction missing `into` keyword. Expected: type <text> into <target>";
const std::string M5 = "`type` instruction missing text to type. Expected: type <text> into <target>";
const std::string M7 =
    "`select` instruction missing `from` keyword. Expected: select <value> from <target>";
const std::string M8 =
    "`verify` instruction missing state. Expected ending: is present | is visible | is enabled | "
    "is disabled";
const std::string M9 = "`verify text` instruction missing state. Expected ending: is present | is visible";
std::string M10(const std::string& quoted) {
  return "`wait` value must be a number in milliseconds. Got: " + quoted;
}

struct ValidateCase {
  std::string instruction;
  Messages expected;
  std::string why;
};

void PrintTo(const ValidateCase& c, std::ostream* os) { *os << c.instruction; }

class Validate : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(Validate, Reports) {
  const auto& c = GetParam();
  EXPECT_EQ(InstructionParser().validate(kelvo::text::decode(c.instruction)), c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, Validate,
    ::testing::Values(
        ValidateCase{" \t\u00a0\u3000", {M1}, "blank is empty"},
        ValidateCase{"click \"Save", {M2("'click \"Save'")}, "quote balance before all else"},
        ValidateCase{"Tap \"Login", {M2("'Tap \"Login'")}, "even before the first word"},
        ValidateCase{"Tap Login", {M3("'tap'")}, "first word shown lower-cased"},
        ValidateCase{"extract_text below Total", {M3("'extract_text'")}, ""},
        ValidateCase{"it's", {M3("\"it's\"")}, ""},
        ValidateCase{"back", {}, "first word is enough"},
        ValidateCase{"refresh", {}, ""},
        ValidateCase{"click \"Save\"", {}, ""},
        ValidateCase{"type  into Name", {M5}, "two blanks: the text is empty"},
        ValidateCase{"type abc into   ", {M4}, "trimming removes the blank after into"},
        ValidateCase{"type Tom to Name", {M4}, ""},
        ValidateCase{"type into Name", {M4}, "separator lies after the keyword"},
        ValidateCase{"select Red in Colour", {M7}, ""},
        ValidateCase{"select from Colour", {M7}, ""},
        ValidateCase{"verify Save", {M8}, ""},
        ValidateCase{"verify Save is visible", {}, ""},
        ValidateCase{"verify dialog says Hello", {}, ""},
        ValidateCase{"verify dialog", {}, ""},
        ValidateCase{"verify text Welcome", {M9}, ""},
        ValidateCase{"verify text Welcome is present", {}, ""},
        ValidateCase{"verify text below Total is 42", {}, ""},
        ValidateCase{"verify text left", {}, "openings carry no blank"},
        ValidateCase{"verify text under Total is 42", {M9}, "under is not an opening here"},
        ValidateCase{"wait 500", {}, ""},
        ValidateCase{"wait \"500\"", {}, "quotes trimmed"},
        ValidateCase{"wait ²", {}, "a digit as Python's isdigit has it"},
        ValidateCase{"wait 1.5", {M10("'1.5'")}, ""},
        ValidateCase{"wait -1", {M10("'-1'")}, ""},
        ValidateCase{"wait abc", {M10("'abc'")}, ""},
        ValidateCase{"wait ''", {M10("''")}, "nothing left after the quotes"},
        ValidateCase{"wait", {}, "no blank, no value check"},
        ValidateCase{"type x into y wait 5", {}, "only the leading form is checked"}));

INSTANTIATE_TEST_SUITE_P(
    Unicode, Validate,
    ::testing::Values(
        ValidateCase{"type İ into x", {}, "target cut in line with İ, not one place late"},
        ValidateCase{"type İstanbul into City", {}, ""},
        ValidateCase{"İptal Login", {M3("'i\u0307ptal'")}, "shown as Python lower-cases it"},
        ValidateCase{"wait \u0663\u0660", {}, "Arabic-Indic digits"}));

TEST(ValidateAll, NumbersFromOneAndKeepsOnlyProblems) {
  const auto got = InstructionParser().validate_all({U"click A", U"", U"Tap", U"wait x"});
  const std::map<std::size_t, Messages> expected = {
      {2, {M1}}, {3, {M3("'tap'")}}, {4, {M10("'x'")}}};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(InstructionParser().validate_all({}).empty());
}

}  // namespace
