// Pseudo-random instructions built from keywords, quotes, blanks and awkward code points:
// parse either returns a well-formed record or refuses with InstructionError; validate
// always answers. Meant to be run under the sanitizers as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/agent/grammar/grammar.h"

namespace {

using kelvo::grammar::InstructionError;
using kelvo::grammar::InstructionParser;

const std::vector<std::u32string> kPieces = {
    U"type ", U"select ", U"click ", U"hover ", U"find text ", U"find exact text ",
    U"extract text ", U"extract_text ", U"from ", U"navigate ", U"press ", U"sendkeys ",
    U"wait ", U"verify ", U"verify text ", U"verify dialog says ", U"accept dialog",
    U" into ", U" from ", U" is ", U"is present", U"is visible", U"is enabled", U"below ",
    U"near ", U"next to ", U"first ", U"fifth ", U"the ", U"a ", U"\"", U"\"\"", U"'", U" ",
    U"  ", U"\t", U"\n", U"\u00a0", U"\u3000", U"İ", U"Σ", U"ς", U"i\u0307", U"\u0307",
    U"\u212a", U"ß", U"ﬁ", U"\U0001F600", U"\u200b", U"\u2028", U"\\", U"Save", U"42"};

std::u32string random_instruction(std::mt19937& rng) {
  std::uniform_int_distribution<int> count(0, 8);
  std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() + 3);
  std::uniform_int_distribution<char32_t> any(1, 0x10FFFF);
  std::u32string out;
  for (int k = count(rng); k > 0; --k) {
    const std::size_t p = piece(rng);
    // Lone surrogates and arbitrary code points reach the core from Python strs too.
    out += p < kPieces.size() ? kPieces[p] : std::u32string(1, any(rng));
  }
  return out;
}

bool is_substring(const std::u32string& part, const std::u32string& whole) {
  return whole.find(part) != std::u32string::npos;
}

void check_record(const kelvo::grammar::ParsedInstruction& r, const std::u32string& instruction) {
  static const std::vector<std::string> extra = {"navigate", "wait"};
  const auto& actions = kelvo::grammar::kSupportedActions;
  const bool known = std::find(actions.begin(), actions.end(), r.action) != actions.end() ||
                     std::find(extra.begin(), extra.end(), r.action) != extra.end();
  ASSERT_TRUE(known) << r.action;
  const bool ordinal_expected = r.action == "click" || r.action == "extract_text";
  ASSERT_EQ(r.ordinal.has_value(), ordinal_expected) << r.action;
  if (r.ordinal) ASSERT_TRUE(*r.ordinal >= 1 && *r.ordinal <= 5);
  const bool null_target = r.action == "accept_dialog" || r.action == "dismiss_dialog" ||
                           r.action == "verify_dialog";
  ASSERT_EQ(!r.target.has_value(), null_target) << r.action;
  const auto unquoted = InstructionParser::unquote(instruction);
  if (r.literal_target) {
    ASSERT_TRUE(r.target);
    ASSERT_NE(std::find(unquoted.literals.begin(), unquoted.literals.end(), *r.target),
              unquoted.literals.end());
  }
  // Values are cut from the unquoted instruction, never invented.
  if (r.value) ASSERT_TRUE(is_substring(*r.value, unquoted.text)) << r.action;
  const auto record = kelvo::grammar::to_record(r);
  ASSERT_EQ(record.begin().key(), "action");
  ASSERT_EQ((--record.end()).key(), "_literal_target");
}

TEST(Fuzz, ParseAndValidateHoldUp) {
  std::mt19937 rng(20240611);
  InstructionParser parser;
  int parsed = 0;
  for (int round = 0; round < 40000; ++round) {
    const std::u32string instruction = random_instruction(rng);
    try {
      check_record(parser.parse(instruction), instruction);
      ++parsed;
    } catch (const InstructionError&) {
    }
    if (::testing::Test::HasFatalFailure()) return;
    const auto problems = parser.validate(instruction);
    for (const auto& message : problems) ASSERT_FALSE(message.empty());
  }
  // The generator must reach the forms, not only the failure.
  EXPECT_GT(parsed, 4000);
}

}  // namespace
