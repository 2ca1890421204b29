#include <gtest/gtest.h>

#include "common/text.h"

using namespace kelvo;

TEST(TextDecode, BadBytesBecomeOneReplacementEach) {
  struct Case { std::string in; std::u32string out; const char* why; };
  const Case cases[] = {
      {"abc", U"abc", "ASCII passes through"},
      {"\xC3\xA9", U"\u00e9", "two-byte sequence"},
      {"\xF0\x9F\x98\x80", U"\U0001F600", "four-byte sequence"},
      {"a\xFF" "b", U"a\uFFFD" "b", "a byte that never starts a sequence"},
      {"\xC3", U"\uFFFD", "truncated at the end"},
      {"\xE0\x80\x80", U"\uFFFD\uFFFD\uFFFD", "overlong form"},
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD", "encoded surrogate"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::decode(c.in), c.out) << c.why;
}

TEST(TextEncode, RoundTrips) {
  const std::string samples[] = {"", "Total\u00a0€", "İstanbul", "\U0001F600 emoji"};
  for (const auto& s : samples) EXPECT_EQ(text::encode(text::decode(s)), s);
}

TEST(TextLower, AlignedCopyKeepsOnePositionPerCharacter) {
  const std::u32string original = U"type İstanbul into City";
  const auto aligned = text::lower_aligned(original);
  ASSERT_EQ(aligned.size(), original.size());
  EXPECT_EQ(aligned, U"type istanbul into city");
  // Python's full mapping turns İ into two code points.
  EXPECT_EQ(text::lower(std::string("İ")), "i\u0307");
}

TEST(TextLower, FinalSigma) {
  EXPECT_EQ(text::lower(std::string("ΟΔΟΣ")), "οδος");
  EXPECT_EQ(text::lower(std::string("ΣΑ")), "σα");
  EXPECT_EQ(text::lower(std::string("Σ")), "σ");
}

TEST(TextSpace, PythonWhitespaceSet) {
  struct Case { char32_t c; bool space; const char* why; };
  const Case cases[] = {
      {U' ', true, "blank"},          {0x00A0, true, "non-breaking space"},
      {0x2003, true, "em space"},     {0x3000, true, "ideographic space"},
      {0x001C, true, "file separator"}, {0x0085, true, "next line"},
      {0x200B, false, "zero-width space is no whitespace in Python"},
      {0xFEFF, false, "byte order mark"}, {U'x', false, "letter"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::is_space(c.c), c.space) << c.why;
  EXPECT_EQ(text::strip(std::string("\u00a0 Total \u3000")), "Total");
  EXPECT_EQ(text::split(std::string(" a\u00a0b  c ")), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(TextDigits, PythonIsDigit) {
  EXPECT_TRUE(text::is_digits(std::string("0123")));
  EXPECT_TRUE(text::is_digits(std::string("\u00b2\u0663")));  // superscript two, Arabic-Indic three
  EXPECT_FALSE(text::is_digits(std::string("")));
  EXPECT_FALSE(text::is_digits(std::string("1.5")));
  EXPECT_FALSE(text::is_digits(std::string("\u00bd")));  // a fraction is numeric, not a digit
}

TEST(TextRepr, QuotedLiteralForm) {
  struct Case { std::string in; std::string out; };
  const Case cases[] = {
      {"abc", "'abc'"},
      {"it's", "\"it's\""},
      {"it's \"x\"", "'it\\'s \"x\"'"},
      {"a\\b\n", "'a\\\\b\\n'"},
      {"\x01", "'\\x01'"},
      {"caf\u00e9", "'caf\u00e9'"},
      {"\u00a0", "'\\xa0'"},
      {"\u200b", "'\\u200b'"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::repr(c.in), c.out) << c.in;
  EXPECT_EQ(text::length("caf\u00e9 \U0001F600"), 6u);
}

TEST(TextTypography, AsAKeyboardWritesIt) {
  struct Case { std::string in; std::string out; const char* why; };
  const Case cases[] = {
      {"Don\u2019t save", "Don't save", "right single quotation mark as apostrophe"},
      {"\u201cOslo\u201d", "\"Oslo\"", "curly double quotes"},
      {"3\u20135 days \u2014 or\u2026", "3-5 days - or...", "en and em dash, ellipsis"},
      {"\u221242\u00a0\u20ac", "-42 \u20ac", "minus sign and no-break space; the euro sign stays"},
      {"plain ASCII", "plain ASCII", "nothing to change"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::plain_typography(c.in), c.out) << c.why;
}
