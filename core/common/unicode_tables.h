// Per-character properties behind the text helpers, generated at build time from the building
// Python's own str methods (see scripts/generate_unicode_tables.py): two-stage lookup tables of
// 128-character blocks, so identical blocks (most of the code space) are stored once.
#pragma once

#include <cstdint>

namespace kelvo::text::unicode {

enum CharFlag : std::uint8_t {
  kCased = 1,          // Final_Sigma's "cased letter"
  kCaseIgnorable = 2,  // skipped by Final_Sigma
  kPrintable = 4,      // str.isprintable()
  kSpace = 8,          // str.isspace()
  kDigit = 16,         // str.isdigit()
  kWord = 32,          // str.isalnum() or "_": a regular expression's \w
};

struct CharRecord {
  std::uint8_t flags;
  std::int32_t lower_delta;  // simple lowercase minus the code point
};

extern const CharRecord kRecords[];
extern const std::uint16_t kBlockOf[];
extern const std::uint8_t kRecordOf[];
extern const char kUnicodeVersion[];

constexpr char32_t kBlockSize = 128;

inline const CharRecord& record(char32_t c) {
  if (c > 0x10FFFF) c = 0xFFFF;  // not a character: a noncharacter's record answers for it
  return kRecords[kRecordOf[kBlockOf[c / kBlockSize] * kBlockSize + c % kBlockSize]];
}

inline bool has(char32_t c, CharFlag flag) { return (record(c).flags & flag) != 0; }
inline char32_t simple_lower(char32_t c) {
  return static_cast<char32_t>(static_cast<std::int32_t>(c) + record(c).lower_delta);
}

}  // namespace kelvo::text::unicode
