// Small code-point text operations shared by the parser and the validator (internal).
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace kelvo::grammar::detail {

inline bool starts_with(std::u32string_view text, std::u32string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// Code points against an ASCII word of the vocabulary, letter for letter.
inline bool equals_ascii(std::u32string_view text, std::string_view ascii) {
  if (text.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    if (text[i] != static_cast<char32_t>(static_cast<unsigned char>(ascii[i]))) return false;
  }
  return true;
}

inline bool ends_with(std::u32string_view text, std::u32string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Python's text[begin:end] for 0 <= begin: an empty text when begin lies past end.
inline std::u32string_view slice(std::u32string_view text, std::size_t begin,
                                 std::size_t end = std::u32string_view::npos) {
  end = std::min(end, text.size());
  if (begin >= end) return {};
  return text.substr(begin, end - begin);
}

inline std::u32string_view strip_char(std::u32string_view text, char32_t c) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == c) ++b;
  while (e > b && text[e - 1] == c) --e;
  return text.substr(b, e - b);
}

// Trimmed of blanks, then of double quotes, then of single quotes: how a URL, a key
// chord or a wait time is written with or without quotes.
inline std::u32string strip_blank_and_quotes(std::u32string_view text) {
  const std::u32string trimmed = text::strip(text);
  return std::u32string(strip_char(strip_char(trimmed, U'"'), U'\''));
}

inline bool is_literal(std::u32string_view candidate, const std::vector<std::u32string>& literals) {
  return std::find(literals.begin(), literals.end(), candidate) != literals.end();
}

}  // namespace kelvo::grammar::detail
