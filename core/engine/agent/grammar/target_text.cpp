// Preparation of targets: quoted literals, stop words and ordinal words.
#include <algorithm>

#include "common/text.h"
#include "engine/agent/grammar/instruction_parser.h"
#include "engine/agent/grammar/text_ops.h"
#include "engine/agent/grammar/vocabulary.h"

namespace kelvo::grammar {

Unquoted InstructionParser::unquote(std::u32string_view instruction) {
  // Leftmost non-overlapping matches of a quote, one or more non-quotes, a quote. An empty
  // pair or an unclosed quote is no match: its quote stays and the search moves on by one.
  Unquoted out;
  out.text.reserve(instruction.size());
  const std::size_t n = instruction.size();
  std::size_t i = 0;
  while (i < n) {
    const char32_t c = instruction[i];
    if (c == U'"') {
      const std::size_t close = instruction.find(U'"', i + 1);
      if (close == std::u32string_view::npos) {
        out.text.append(instruction.substr(i));
        break;
      }
      if (close > i + 1) {
        const auto inner = instruction.substr(i + 1, close - i - 1);
        out.text.append(inner);
        out.literals.emplace_back(inner);
        i = close + 1;
        continue;
      }
    }
    out.text.push_back(c);
    ++i;
  }
  return out;
}

std::u32string InstructionParser::clean_target(std::u32string_view target) {
  const auto words = text::split(target);
  std::size_t first = 0;
  // Stop words compare with the ordinary lower-casing: "İn" is not "in".
  while (first < words.size()) {
    const auto lowered = text::lower(words[first]);
    const bool stop = std::find(kStopWords.begin(), kStopWords.end(), lowered) != kStopWords.end();
    if (!stop) break;
    ++first;
  }
  std::u32string out;
  for (std::size_t k = first; k < words.size(); ++k) {
    if (k > first) out.push_back(U' ');
    out += words[k];
  }
  return out;
}

std::pair<int, std::u32string> extract_ordinal(std::u32string_view phrase) {
  std::size_t i = 0;
  while (i < phrase.size() && text::is_space(phrase[i])) ++i;
  if (i == phrase.size()) return {1, std::u32string(phrase)};
  std::size_t word_end = i;
  while (word_end < phrase.size() && !text::is_space(phrase[word_end])) ++word_end;
  const auto lowered = text::lower(phrase.substr(i, word_end - i));
  for (const auto& ordinal : kOrdinals) {
    if (detail::equals_ascii(lowered, ordinal.word)) {
      // The rest starts after the whole run of blanks and keeps its own trailing blanks.
      std::size_t rest = word_end;
      while (rest < phrase.size() && text::is_space(phrase[rest])) ++rest;
      return {static_cast<int>(ordinal.number), std::u32string(phrase.substr(rest))};
    }
  }
  return {1, std::u32string(phrase)};
}

}  // namespace kelvo::grammar
