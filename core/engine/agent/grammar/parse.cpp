// parse: the instruction forms, tested in a fixed order; the first that matches decides.
#include <string>

#include "common/text.h"
#include "engine/agent/grammar/instruction_parser.h"
#include "engine/agent/grammar/text_ops.h"
#include "engine/agent/grammar/vocabulary.h"

namespace kelvo::grammar {

namespace {

using detail::ends_with;
using detail::is_literal;
using detail::slice;
using detail::starts_with;

constexpr auto npos = std::u32string_view::npos;

// Keywords are found in `lower` and texts are cut from `text` at the same positions.
// `lower` is the aligned lower-casing (one code point per code point): with the ordinary
// one, "İ" becomes two code points and every cut after it lands one place late.
struct Instruction {
  std::u32string text;
  std::u32string lower;
  std::vector<std::u32string> literals;

  bool literal(std::u32string_view candidate) const { return is_literal(candidate, literals); }

  std::u32string literal_or_clean(std::u32string_view phrase) const {
    if (literal(phrase)) return std::u32string(phrase);
    return InstructionParser::clean_target(phrase);
  }
};

ParsedInstruction record(std::string_view action, std::optional<std::u32string> target,
                         std::optional<std::u32string> value, bool literal,
                         std::optional<int> ordinal = std::nullopt) {
  ParsedInstruction out;
  out.action = std::string(action);
  out.target = std::move(target);
  out.value = std::move(value);
  out.ordinal = ordinal;
  out.literal_target = literal;
  return out;
}

// "type TEXT into TARGET" and "select OPTION from TARGET": the first separator after the
// keyword divides the value from the target.
std::optional<ParsedInstruction> value_into_target(const Instruction& in, std::string_view action,
                                                   std::u32string_view keyword,
                                                   std::u32string_view separator) {
  if (!starts_with(in.lower, keyword)) return std::nullopt;
  const std::size_t at = std::u32string_view(in.lower).find(separator, keyword.size());
  if (at == npos) return std::nullopt;
  const auto value = slice(in.text, keyword.size(), at);
  const auto phrase = slice(in.text, at + separator.size());
  const std::u32string trimmed = text::strip(phrase);
  std::u32string target = in.literal(trimmed) ? trimmed : InstructionParser::clean_target(phrase);
  const bool literal = in.literal(target);
  return record(action, std::move(target), std::u32string(value), literal);
}

bool starts_with_lead_in(std::u32string_view lower) {
  for (const auto& lead_in : kSpatialLeadIns) {
    const std::size_t n = lead_in.phrase.size();
    if (lower.size() > n && detail::equals_ascii(lower.substr(0, n), lead_in.phrase) && lower[n] == U' ')
      return true;
  }
  return false;
}

ParsedInstruction extract(const Instruction& in) {
  constexpr std::size_t kPrefix = 13;  // "extract text " and "extract_text " alike
  std::u32string_view phrase = slice(in.text, kPrefix);
  std::u32string_view lower = slice(in.lower, kPrefix);
  // Tested before "from " is dropped: "extract text from below Total" is not spatial.
  if (starts_with_lead_in(lower)) {
    return record("extract_text_spatial", std::u32string(phrase), std::nullopt, false);
  }
  if (starts_with(lower, U"from ")) phrase = slice(phrase, 5);
  auto [ordinal, rest] = extract_ordinal(phrase);
  std::u32string target = in.literal_or_clean(rest);
  const bool literal = in.literal(target);
  return record("extract_text", std::move(target), std::nullopt, literal, ordinal);
}

std::optional<ParsedInstruction> spatial_text_check(const Instruction& in) {
  constexpr std::size_t kPrefix = 12;  // "verify text "
  if (!starts_with_lead_in(slice(in.lower, kPrefix))) return std::nullopt;
  // The last " is " divides, so the spatial phrase may itself contain " is ".
  const std::size_t at = in.lower.rfind(U" is ");
  if (at == npos) return std::nullopt;
  std::u32string phrase = text::strip(slice(in.text, kPrefix, at));
  std::u32string expected = text::strip(slice(in.text, at + 4));
  if (phrase.empty() || expected.empty()) return std::nullopt;
  return record("verify_spatial_text", std::move(phrase), std::move(expected), false);
}

template <std::size_t N>
std::optional<ParsedInstruction> state_check(const Instruction& in, const std::array<StateEntry, N>& states,
                                             std::size_t prefix, bool clean) {
  for (const auto& [ending, action] : states) {
    if (!ends_with(in.lower, ending)) continue;
    std::u32string phrase = text::strip(slice(in.text, prefix, in.text.size() - ending.size()));
    std::u32string target = clean ? in.literal_or_clean(phrase) : std::move(phrase);
    const bool literal = in.literal(target);
    return record(action, std::move(target), std::nullopt, literal);
  }
  return std::nullopt;
}

std::string unrecognised(std::u32string_view instruction) {
  std::string message = "Unrecognised instruction: " + text::repr(instruction) + ". Supported actions: [";
  for (std::size_t k = 0; k < kSupportedActions.size(); ++k) {
    if (k > 0) message += ", ";
    message += text::repr(kSupportedActions[k]);
  }
  message += "]";
  return message;
}

}  // namespace

ParsedInstruction InstructionParser::parse(std::u32string_view instruction) const {
  Unquoted unquoted = unquote(text::strip(instruction));
  Instruction in{std::move(unquoted.text), {}, std::move(unquoted.literals)};
  in.lower = text::lower_aligned(in.text);
  const std::u32string& S = in.text;
  const std::u32string& L = in.lower;

  if (auto typed = value_into_target(in, "type", U"type ", U" into ")) return *typed;
  if (auto selected = value_into_target(in, "select", U"select ", U" from ")) return *selected;

  if (starts_with(L, U"find exact text ")) {
    std::u32string target(slice(S, 16));
    const bool literal = in.literal(target);
    return record("find_exact_text", std::move(target), std::nullopt, literal);
  }
  if (starts_with(L, U"find text ")) {
    std::u32string target = in.literal_or_clean(slice(S, 10));
    const bool literal = in.literal(target);
    return record("find_text", std::move(target), std::nullopt, literal);
  }
  if (starts_with(L, U"extract text ") || starts_with(L, U"extract_text ")) return extract(in);
  if (starts_with(L, U"click ")) {
    auto [ordinal, rest] = extract_ordinal(slice(S, 6));
    std::u32string target = in.literal_or_clean(rest);
    const bool literal = in.literal(target);
    return record("click", std::move(target), std::nullopt, literal, ordinal);
  }
  if (starts_with(L, U"hover ")) {
    std::u32string target = in.literal_or_clean(slice(S, 6));
    const bool literal = in.literal(target);
    return record("hover", std::move(target), std::nullopt, literal);
  }
  if (starts_with(L, U"navigate ")) {
    return record("navigate", detail::strip_blank_and_quotes(slice(S, 9)), std::nullopt, false);
  }
  if (starts_with(L, U"press ")) {
    return record("press_key", text::strip(slice(S, 6)), std::nullopt, false);
  }
  if (L == U"accept dialog") return record("accept_dialog", std::nullopt, std::nullopt, false);
  if (L == U"dismiss dialog") return record("dismiss_dialog", std::nullopt, std::nullopt, false);
  if (starts_with(L, U"verify dialog says ")) {
    return record("verify_dialog", std::nullopt, std::u32string(slice(S, 19)), false);
  }
  if (starts_with(L, U"sendkeys ")) {
    std::u32string keys = detail::strip_blank_and_quotes(slice(S, 9));
    return record("sendkeys", keys, keys, false);
  }
  if (starts_with(L, U"wait ")) {
    return record("wait", detail::strip_blank_and_quotes(slice(S, 5)), std::nullopt, false);
  }
  if (starts_with(L, U"verify text ")) {
    if (auto spatial = spatial_text_check(in)) return *spatial;
    // Text checks keep the text as written: stop words belong to the text looked for.
    if (auto check = state_check(in, kVerifyTextStates, 12, false)) return *check;
  }
  if (starts_with(L, U"verify ")) {
    if (auto check = state_check(in, kVerifyStates, 7, true)) return *check;
  }
  throw InstructionError(unrecognised(instruction));
}

}  // namespace kelvo::grammar
