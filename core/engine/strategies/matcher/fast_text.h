// ASCII shortcuts for the text helpers used on every element of every call. Page text is
// mostly ASCII, and for ASCII Python's lower(), split() and isdigit() are the plain ASCII
// rules, so decoding to code points can be skipped without changing any answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace kelvo::matcher::detail {

inline bool is_ascii(std::string_view text) {
  for (unsigned char ch : text) {
    if (ch >= 0x80) return false;
  }
  return true;
}

// Lower-cased for comparing names: characters a reader does not see are dropped too.
inline std::string lower(std::string_view text) {
  if (!is_ascii(text)) return text::lower(text::without_invisible(text));
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
  }
  return out;
}

inline std::vector<std::string> split(std::string_view text) {
  if (!is_ascii(text)) return text::split(text);
  auto space = [](unsigned char ch) {
    return ch == ' ' || (ch >= 0x09 && ch <= 0x0D) || (ch >= 0x1C && ch <= 0x1F);
  };
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && space(static_cast<unsigned char>(text[i]))) ++i;
    if (i == text.size()) break;
    std::size_t start = i;
    while (i < text.size() && !space(static_cast<unsigned char>(text[i]))) ++i;
    words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

inline bool has_digit(std::string_view text) {
  if (is_ascii(text)) {
    for (char ch : text) {
      if (ch >= '0' && ch <= '9') return true;
    }
    return false;
  }
  for (char32_t c : text::decode(text)) {
    if (text::is_digit(c)) return true;
  }
  return false;
}

}  // namespace kelvo::matcher::detail
