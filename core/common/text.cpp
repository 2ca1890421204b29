#include "common/text.h"

#include <algorithm>

#include "common/unicode_tables.h"

namespace kelvo::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kCapitalDottedI = 0x0130;
constexpr char32_t kCapitalSigma = 0x03A3;

bool is_cased(char32_t c) { return unicode::has(c, unicode::kCased); }
bool is_case_ignorable(char32_t c) { return unicode::has(c, unicode::kCaseIgnorable); }

// Python's Final_Sigma rule: a cased letter (past case-ignorables) before the sigma and
// no cased letter (past case-ignorables) after it.
bool is_final_sigma(std::u32string_view text, std::size_t i) {
  std::size_t j = i;
  bool cased_before = false;
  while (j > 0) {
    --j;
    if (!is_case_ignorable(text[j])) {
      cased_before = is_cased(text[j]);
      break;
    }
  }
  if (!cased_before) return false;
  for (std::size_t k = i + 1; k < text.size(); ++k) {
    if (!is_case_ignorable(text[k])) return !is_cased(text[k]);
  }
  return true;
}

bool is_printable(char32_t c) { return unicode::has(c, unicode::kPrintable); }

void append_hex(std::string& out, char32_t value, int digits) {
  static const char* hex = "0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += hex[(value >> shift) & 0xF];
}

}  // namespace

std::u32string decode(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    if (b < 0x80) {
      out += static_cast<char32_t>(b);
      ++i;
      continue;
    }
    int extra = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
    }
    // A lead byte with too few bytes after it is one bad byte.
    if (extra == 0 || i + static_cast<std::size_t>(extra) >= n) {
      out += kReplacement;
      ++i;
      continue;
    }
    char32_t c = b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cont = s[i + k];
      if ((cont & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (cont & 0x3F);
    }
    const char32_t min_value = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (!ok || c < min_value || c > 0x10FFFF || surrogate) {
      out += kReplacement;
      ++i;
      continue;
    }
    out += c;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string encode(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u32string lower(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c < 0x80) {
      out += (c >= U'A' && c <= U'Z') ? c + 32 : c;
    } else if (c == kCapitalDottedI) {
      out += U"i\u0307";
    } else if (c == kCapitalSigma) {
      out += is_final_sigma(text, i) ? char32_t{0x03C2} : char32_t{0x03C3};
    } else {
      out += unicode::simple_lower(c);
    }
  }
  return out;
}

std::string lower(std::string_view text) { return encode(lower(decode(text))); }

namespace {

bool is_invisible(char32_t c) {
  return c == 0x00AD || c == 0x034F || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) ||
         c == 0xFEFF;
}

}  // namespace

std::string without_invisible(std::string_view text) {
  bool ascii = true;
  for (unsigned char ch : text) {
    if (ch >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(text);
  std::u32string points = decode(text);
  if (std::none_of(points.begin(), points.end(), is_invisible)) return std::string(text);
  points.erase(std::remove_if(points.begin(), points.end(), is_invisible), points.end());
  return encode(points);
}

std::string plain_typography(std::string_view text) {
  if (std::all_of(text.begin(), text.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
    return std::string(text);
  std::u32string out;
  for (char32_t c : decode(text)) {
    switch (c) {
      case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: case 0x02BC: out += U'\''; break;
      case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033: case 0x00AB: case 0x00BB: out += U'"'; break;
      case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212: out += U'-'; break;
      case 0x2026: out += U"..."; break;
      case 0x00A0: case 0x202F: case 0x2007: out += U' '; break;
      default: out += c;
    }
  }
  return encode(out);
}

std::u32string lower_aligned(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == kCapitalDottedI) {
      out += U'i';
    } else if (c == kCapitalSigma) {
      out += is_final_sigma(text, i) ? char32_t{0x03C2} : char32_t{0x03C3};
    } else if (c < 0x80) {
      out += (c >= U'A' && c <= U'Z') ? c + 32 : c;
    } else {
      out += unicode::simple_lower(c);
    }
  }
  return out;
}

bool is_space(char32_t c) {
  if (c < 0x80) return c == U' ' || (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x1F);
  return unicode::has(c, unicode::kSpace);
}

bool is_digit(char32_t c) {
  if (c < 0x80) return c >= U'0' && c <= U'9';
  return unicode::has(c, unicode::kDigit);
}

bool is_word_char(char32_t c) {
  if (c < 0x80)
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_';
  return unicode::has(c, unicode::kWord);
}

bool is_digits(std::u32string_view text) {
  if (text.empty()) return false;
  for (char32_t c : text) {
    if (!is_digit(c)) return false;
  }
  return true;
}

bool is_digits(std::string_view text) { return is_digits(decode(text)); }

std::u32string lstrip(std::u32string_view text) {
  std::size_t b = 0;
  while (b < text.size() && is_space(text[b])) ++b;
  return std::u32string(text.substr(b));
}

std::u32string rstrip(std::u32string_view text) {
  std::size_t e = text.size();
  while (e > 0 && is_space(text[e - 1])) --e;
  return std::u32string(text.substr(0, e));
}

std::u32string strip(std::u32string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && is_space(text[b])) ++b;
  while (e > b && is_space(text[e - 1])) --e;
  return std::u32string(text.substr(b, e - b));
}

std::string strip(std::string_view text) {
  // Fast path: most page text is ASCII-bounded.
  std::size_t b = 0, e = text.size();
  auto ascii_space = [](unsigned char ch) {
    return ch == ' ' || (ch >= 0x09 && ch <= 0x0D) || (ch >= 0x1C && ch <= 0x1F);
  };
  while (b < e && static_cast<unsigned char>(text[b]) < 0x80 && ascii_space(text[b])) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) < 0x80 && ascii_space(text[e - 1])) --e;
  const bool bounded = (b == e) || (static_cast<unsigned char>(text[b]) < 0x80 &&
                                    static_cast<unsigned char>(text[e - 1]) < 0x80);
  if (bounded) return std::string(text.substr(b, e - b));
  return encode(strip(decode(text)));
}

std::vector<std::u32string> split(std::u32string_view text) {
  std::vector<std::u32string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_space(text[i])) ++i;
    if (i == text.size()) break;
    std::size_t start = i;
    while (i < text.size() && !is_space(text[i])) ++i;
    words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> out;
  for (const auto& word : split(decode(text))) out.push_back(encode(word));
  return out;
}

std::size_t length(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char ch : text) {
    if ((ch & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string repr(std::u32string_view text) {
  const bool has_single = text.find(U'\'') != std::u32string_view::npos;
  const bool has_double = text.find(U'"') != std::u32string_view::npos;
  const char32_t quote = (has_single && !has_double) ? U'"' : U'\'';
  std::string out;
  out += static_cast<char>(quote);
  for (char32_t c : text) {
    if (c == quote || c == U'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == U'\t') {
      out += "\\t";
    } else if (c == U'\n') {
      out += "\\n";
    } else if (c == U'\r') {
      out += "\\r";
    } else if (c < U' ' || c == 0x7F) {
      out += "\\x";
      append_hex(out, c, 2);
    } else if (c < 0x7F) {
      out += static_cast<char>(c);
    } else if (is_printable(c)) {
      out += encode(std::u32string_view(&c, 1));
    } else if (c <= 0xFF) {
      out += "\\x";
      append_hex(out, c, 2);
    } else if (c <= 0xFFFF) {
      out += "\\u";
      append_hex(out, c, 4);
    } else {
      out += "\\U";
      append_hex(out, c, 8);
    }
  }
  out += static_cast<char>(quote);
  return out;
}

std::string repr(std::string_view text) { return repr(decode(text)); }

}  // namespace kelvo::text
