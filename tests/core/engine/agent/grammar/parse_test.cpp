// What each instruction becomes, key order included, and what parse refuses.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "engine/agent/grammar/grammar.h"

namespace {

using kelvo::Record;
using kelvo::grammar::InstructionError;
using kelvo::grammar::InstructionParser;

struct ParseCase {
  std::string instruction;
  std::string expected;  // the record as JSON, keys in their required order
  std::string why;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.instruction; }

class Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parse, YieldsRecord) {
  const auto& c = GetParam();
  const Record got = kelvo::grammar::to_record(
      InstructionParser().parse(kelvo::text::decode(c.instruction)));
  EXPECT_EQ(got.dump(), Record::parse(c.expected).dump()) << c.why;
}

// Shorthand for the records of the table.
std::string rec(const std::string& action, const std::string& target, const std::string& value,
                int ordinal, bool literal) {
  Record r = Record::object();
  r["action"] = action;
  r["target"] = target == "<null>" ? Record(nullptr) : Record(target);
  r["value"] = value == "<null>" ? Record(nullptr) : Record(value);
  if (ordinal > 0) r["ordinal"] = ordinal;
  r["_literal_target"] = literal;
  return r.dump();
}
constexpr const char* null = "<null>";

INSTANTIATE_TEST_SUITE_P(
    Forms, Parse,
    ::testing::Values(
        ParseCase{"accept dialog", rec("accept_dialog", null, null, 0, false), "no ordinal key"},
        ParseCase{"dismiss dialog", rec("dismiss_dialog", null, null, 0, false), ""},
        ParseCase{"click Login", rec("click", "Login", null, 1, false), "ordinal defaults to 1"},
        ParseCase{"click second Submit", rec("click", "Submit", null, 2, false), ""},
        ParseCase{"click fifth row", rec("click", "row", null, 5, false), ""},
        ParseCase{"click sixth row", rec("click", "sixth row", null, 1, false), "not an ordinal"},
        ParseCase{"click \"The\"", rec("click", "The", null, 1, true), "quoted stop word stays"},
        ParseCase{"click the Login", rec("click", "Login", null, 1, false), ""},
        ParseCase{"click \"the Login\"", rec("click", "the Login", null, 1, true), ""},
        ParseCase{"click the first Login", rec("click", "first Login", null, 1, false),
                  "only a leading ordinal counts"},
        ParseCase{"click first the Login", rec("click", "Login", null, 1, false), ""},
        ParseCase{"click second", rec("click", "", null, 2, false), "empty target"},
        ParseCase{"click \"second Save\"", rec("click", "Save", null, 2, false),
                  "ordinal read before the literal test"},
        ParseCase{"click first button next to \"Sign up\"",
                  rec("click", "button next to Sign up", null, 1, false), "not the whole literal"},
        ParseCase{"Click Submit", rec("click", "Submit", null, 1, false), "keywords in any case"},
        ParseCase{"CLICK Submit", rec("click", "Submit", null, 1, false), ""},
        ParseCase{"click button at the top", rec("click", "button at the top", null, 1, false),
                  "only leading stop words go"},
        ParseCase{"click \"\" \"Save\"", rec("click", "\" Save\"", null, 1, false),
                  "empty pair: its second quote opens the next match"},
        ParseCase{"type bob into the Username", rec("type", "Username", "bob", 0, false), ""},
        ParseCase{"type   hello   into   the Name", rec("type", "Name", "  hello  ", 0, false),
                  "value kept as written"},
        ParseCase{"type \"Tom\" into \"Name\"", rec("type", "Name", "Tom", 0, true), ""},
        ParseCase{"type \"a into b\" into Name", rec("type", "b into Name", "a", 0, false),
                  "quotes do not protect the separator"},
        ParseCase{"TYPE x INTO Field", rec("type", "Field", "x", 0, false), ""},
        ParseCase{"select Red from Colour", rec("select", "Colour", "Red", 0, false), ""},
        ParseCase{"find exact text  The Total", rec("find_exact_text", " The Total", null, 0, false),
                  "verbatim"},
        ParseCase{"find text the Total", rec("find_text", "Total", null, 0, false), ""},
        ParseCase{"extract_text below Total",
                  rec("extract_text_spatial", "below Total", null, 0, false), ""},
        ParseCase{"extract text from second row", rec("extract_text", "row", null, 2, false), ""},
        ParseCase{"extract text from below Total",
                  rec("extract_text", "below Total", null, 1, false), "from is dropped after"},
        ParseCase{"hover on Menu", rec("hover", "Menu", null, 0, false), ""},
        ParseCase{"navigate '/login'", rec("navigate", "/login", null, 0, false), ""},
        ParseCase{"navigate \" '/x' \"", rec("navigate", "/x", null, 0, false),
                  "blanks, then double, then single quotes"},
        ParseCase{"press  Enter ", rec("press_key", "Enter", null, 0, false), ""},
        ParseCase{"verify dialog says Hello  World", rec("verify_dialog", null, "Hello  World", 0, false),
                  ""},
        ParseCase{"sendkeys Control+A", rec("sendkeys", "Control+A", "Control+A", 0, false), ""},
        ParseCase{"wait 500", rec("wait", "500", null, 0, false), "text, not a number"},
        ParseCase{"wait abc", rec("wait", "abc", null, 0, false), "the number check is validation's"},
        ParseCase{"verify text below Total is 42",
                  rec("verify_spatial_text", "below Total", "42", 0, false), ""},
        ParseCase{"verify text near Total is 42",
                  rec("verify_spatial_text", "near Total", "42", 0, false), ""},
        ParseCase{"verify text below Price is shown is 42",
                  rec("verify_spatial_text", "below Price is shown", "42", 0, false), "last \" is \""},
        ParseCase{"verify text below Total is visible",
                  rec("verify_spatial_text", "below Total", "visible", 0, false), "spatial first"},
        ParseCase{"verify text Welcome is visible",
                  rec("verify_text_visible", "Welcome", null, 0, false), ""},
        ParseCase{"verify text the Welcome is present",
                  rec("verify_text_present", "the Welcome", null, 0, false), "text is not cleaned"},
        ParseCase{"verify text is visible", rec("verify_text_visible", "", null, 0, false), ""},
        ParseCase{"verify text Welcome is enabled",
                  rec("verify_enabled", "text Welcome", null, 0, false), "falls to the element check"},
        ParseCase{"verify the Save button is enabled",
                  rec("verify_enabled", "Save button", null, 0, false), ""},
        ParseCase{"verify \"the Save\" is disabled",
                  rec("verify_disabled", "the Save", null, 0, true), ""}));

// Python's whitespace and case rules, and cuts that stay in place after "İ".
INSTANTIATE_TEST_SUITE_P(
    Unicode, Parse,
    ::testing::Values(
        ParseCase{"type İstanbul into City", rec("type", "City", "İstanbul", 0, false),
                  "cuts line up after İ"},
        ParseCase{"select İİİ from İl", rec("select", "İl", "İİİ", 0, false), ""},
        ParseCase{"verify text İzmir is visible", rec("verify_text_visible", "İzmir", null, 0, false),
                  ""},
        ParseCase{"verify İİ Save is enabled", rec("verify_enabled", "İİ Save", null, 0, false), ""},
        ParseCase{"verify text below İİ is İ", rec("verify_spatial_text", "below İİ", "İ", 0, false),
                  ""},
        ParseCase{"CLİCK Submit", rec("click", "Submit", null, 1, false),
                  "keywords found in the aligned lower-casing"},
        ParseCase{"click İn Box", rec("click", "İn Box", null, 1, false),
                  "stop words compare with the ordinary lower-casing"},
        ParseCase{"click \u3000second\u00a0Submit\u2003", rec("click", "Submit", null, 2, false),
                  "ideographic and no-break blanks"},
        ParseCase{"click ΣΑΣ", rec("click", "ΣΑΣ", null, 1, false), "case kept"}));

TEST(Parse, SeparatorMustBePlainBlanks) {
  // " into " with a no-break blank is no separator, so the form does not match at all.
  EXPECT_THROW(InstructionParser().parse(U"type ok into\u00a0Name"), InstructionError);
}

class Refused : public ::testing::TestWithParam<std::string> {};

TEST_P(Refused, AsUnrecognised) {
  try {
    InstructionParser().parse(kelvo::text::decode(GetParam()));
    FAIL() << "parsed: " << GetParam();
  } catch (const InstructionError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Unrecognised instruction: ", 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, Refused,
    ::testing::Values("", "   ", "clicks Submit", "click", "wait", "back", "refresh",
                      "verify text near Total", "verify Save is hidden", "accept the dialog",
                      "type into Name", "select from Colour", "verify text below Total is ",
                      "click\u00a0Login", "type \"Tom\"", "verify dialog says"));

TEST(Parse, UnrecognisedMessageQuotesTheInstructionAsPassed) {
  const std::string actions =
      "['click', 'type', 'hover', 'select', 'press_key', 'sendkeys', 'extract_text', "
      "'extract_text_spatial', 'find_text', 'find_exact_text', 'verify_present', "
      "'verify_visible', 'verify_enabled', 'verify_disabled', 'verify_text_present', "
      "'verify_text_visible', 'verify_spatial_text', 'accept_dialog', 'dismiss_dialog', "
      "'verify_dialog']";
  const std::pair<std::u32string, std::string> cases[] = {
      {U"  clicks Submit ", "'  clicks Submit '"},
      {U"it's", "\"it's\""},
      {U"tab\there\n", "'tab\\there\\n'"},
  };
  for (const auto& [instruction, quoted] : cases) {
    try {
      InstructionParser().parse(instruction);
      ADD_FAILURE() << quoted;
    } catch (const InstructionError& error) {
      EXPECT_EQ(error.what(), "Unrecognised instruction: " + quoted + ". Supported actions: " + actions);
    }
  }
}

}  // namespace
