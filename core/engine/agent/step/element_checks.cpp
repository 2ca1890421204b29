#include "engine/agent/step/element_checks.h"

#include <array>
#include <string>

#include "common/text.h"

namespace kelvo::step {

namespace {

struct StateWords {
  std::u32string_view ending;  // after " is "
  bool checked;
  std::string_view said;  // how the verdict names the state asked for
};

// Longer endings first: "not checked" before "checked".
constexpr std::array<StateWords, 14> kStates = {{
    {U"not checked", false, "not checked"},
    {U"not ticked", false, "not checked"},
    {U"not selected", false, "not selected"},
    {U"unchecked", false, "not checked"},
    {U"unticked", false, "not checked"},
    {U"unselected", false, "not selected"},
    {U"deselected", false, "not selected"},
    {U"not on", false, "off"},
    {U"checked", true, "checked"},
    {U"ticked", true, "checked"},
    {U"selected", true, "selected"},
    {U"on", true, "on"},
    {U"off", false, "off"},
    {U"not off", true, "on"},
}};

bool starts_with(std::u32string_view text, std::u32string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<grammar::ParsedInstruction> read_checked_check(std::u32string_view instruction) {
  const std::u32string step = text::strip(instruction);
  // Case is folded code point for code point, so positions in the lower copy are positions
  // in the step as written.
  const std::u32string low = text::lower_aligned(step);
  if (low.size() != step.size()) return std::nullopt;
  std::size_t from = 0;
  if (!starts_with(low, U"verify ")) return std::nullopt;
  from = 7;
  while (from < low.size() && low[from] == U' ') ++from;
  if (starts_with(std::u32string_view(low).substr(from), U"that ")) from += 5;
  // "verify text ... is on the page" and the other text checks are the parser's.
  if (starts_with(std::u32string_view(low).substr(from), U"text ")) return std::nullopt;
  for (const StateWords& state : kStates) {
    const std::u32string ending = U" is " + std::u32string(state.ending);
    if (low.size() < from + ending.size() || low.compare(low.size() - ending.size(), ending.size(), ending) != 0)
      continue;
    std::u32string target = text::strip(step.substr(from, low.size() - ending.size() - from));
    if (target.empty()) return std::nullopt;
    grammar::ParsedInstruction parsed;
    if (target.size() >= 2 && target.front() == U'"' && target.back() == U'"' &&
        target.find(U'"', 1) == target.size() - 1) {
      target = target.substr(1, target.size() - 2);
      parsed.literal_target = true;
      if (text::strip(target).empty()) return std::nullopt;
    }
    parsed.action = state.checked ? "verify_checked" : "verify_unchecked";
    parsed.target = target;
    parsed.value = text::decode(state.said);
    return parsed;
  }
  return std::nullopt;
}

}  // namespace kelvo::step
