// validate: shallow checks before a run, reported as messages a test author can act on.
#include <algorithm>
#include <string>

#include "common/text.h"
#include "engine/agent/grammar/instruction_parser.h"
#include "engine/agent/grammar/text_ops.h"
#include "engine/agent/grammar/vocabulary.h"

namespace kelvo::grammar {

namespace {

using detail::ends_with;
using detail::slice;
using detail::starts_with;

constexpr auto npos = std::u32string_view::npos;

template <std::size_t N>
bool ends_with_state(std::u32string_view lower, const std::array<StateEntry, N>& states) {
  return std::any_of(states.begin(), states.end(),
                     [&](const StateEntry& entry) { return ends_with(lower, entry.first); });
}

template <std::size_t N>
std::string state_list(const std::array<StateEntry, N>& states) {
  std::string out;
  for (std::size_t k = 0; k < N; ++k) {
    if (k > 0) out += " | ";
    out += text::encode(states[k].first);
  }
  return out;
}

bool is_known_action(std::u32string_view word) {
  return std::any_of(kKnownActions.begin(), kKnownActions.end(), [&](std::string_view known) {
    return word.size() == known.size() &&
           std::equal(word.begin(), word.end(), known.begin(),
                      [](char32_t a, char b) { return a == static_cast<unsigned char>(b); });
  });
}

}  // namespace

std::vector<std::string> InstructionParser::validate(std::u32string_view instruction) const {
  const std::u32string R = text::strip(instruction);
  if (R.empty()) return {"Instruction is empty."};
  if (std::count(R.begin(), R.end(), U'"') % 2 != 0) {
    return {"Unbalanced quote \u2014 missing closing `\"` in: " + text::repr(R)};
  }
  // Positions are found in the aligned lower-casing so cuts from R line up (see parse).
  const std::u32string L = text::lower_aligned(R);
  const auto words = text::split(L);
  if (!is_known_action(words.front())) {
    // The word is shown as the ordinary lower-casing writes it.
    const auto shown = text::lower(text::split(R).front());
    return {"Unknown action " + text::repr(shown) +
            ". Expected one of: click, type, verify, hover, select, press, wait, find, "
            "extract, sendkeys."};
  }

  std::vector<std::string> problems;
  if (starts_with(L, U"type ")) {
    const std::size_t at = L.find(U" into ", 5);
    if (at == npos) {
      problems.emplace_back("`type` instruction missing `into` keyword. Expected: type <text> into <target>");
    } else {
      if (text::strip(slice(R, 5, at)).empty()) {
        problems.emplace_back("`type` instruction missing text to type. Expected: type <text> into <target>");
      }
      if (text::strip(slice(R, at + 6)).empty()) {
        problems.emplace_back("`type` instruction missing target field. Expected: type <text> into <target>");
      }
    }
  }
  if (starts_with(L, U"select ") && L.find(U" from ", 7) == npos) {
    problems.emplace_back(
        "`select` instruction missing `from` keyword. Expected: select <value> from <target>");
  }
  if (starts_with(L, U"verify ") && !starts_with(L, U"verify text ") && !starts_with(L, U"verify dialog") &&
      !ends_with_state(L, kVerifyStates)) {
    problems.push_back("`verify` instruction missing state. Expected ending: " + state_list(kVerifyStates));
  }
  if (starts_with(L, U"verify text ") &&
      std::none_of(kValidateSpatialOpenings.begin(), kValidateSpatialOpenings.end(),
                   [&](std::u32string_view opening) { return starts_with(L, opening); }) &&
      !ends_with_state(L, kVerifyTextStates)) {
    problems.push_back("`verify text` instruction missing state. Expected ending: " +
                       state_list(kVerifyTextStates));
  }
  if (starts_with(L, U"wait ")) {
    const std::u32string wait = detail::strip_blank_and_quotes(slice(R, 5));
    if (!text::is_digits(wait)) {
      problems.push_back("`wait` value must be a number in milliseconds. Got: " + text::repr(wait));
    }
  }
  return problems;
}

std::map<std::size_t, std::vector<std::string>> InstructionParser::validate_all(
    const std::vector<std::u32string>& instructions) const {
  std::map<std::size_t, std::vector<std::string>> out;
  for (std::size_t k = 0; k < instructions.size(); ++k) {
    auto problems = validate(instructions[k]);
    if (!problems.empty()) out.emplace(k + 1, std::move(problems));
  }
  return out;
}

}  // namespace kelvo::grammar
