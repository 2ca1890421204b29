// Text helpers with Python's str semantics. Page text is full of non-breaking spaces and
// accented capitals; C's tolower/isspace answer differently from Python, and the engine
// must resolve exactly as a Python user of the same records would expect.
//
// Strings are UTF-8 in std::string; U32 variants work on code points, where positions
// and lengths are counted as Python counts them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::text {

// UTF-8 <-> code points. Invalid bytes decode to U+FFFD.
std::u32string decode(std::string_view utf8);
std::string encode(std::u32string_view text);

// str.lower(): full case mapping ("İ" becomes "i̇", two code points) and final sigma.
std::u32string lower(std::u32string_view text);
std::string lower(std::string_view text);

// A lower-cased copy that lines up with the original code point for code point
// ("İ" becomes "i"), for finding positions to cut the original text at.
std::u32string lower_aligned(std::u32string_view text);

// str.isspace() / str.isdigit() for one code point.
bool is_space(char32_t c);
bool is_digit(char32_t c);
// A character of a Python regular expression's \w (str.isalnum() or the underscore).
bool is_word_char(char32_t c);
// str.isdigit() for a whole text: non-empty and every code point a digit.
bool is_digits(std::string_view text);
bool is_digits(std::u32string_view text);

// str.strip() / lstrip() / rstrip() with no argument: Python's whitespace set.
std::u32string strip(std::u32string_view text);
std::u32string lstrip(std::u32string_view text);
std::u32string rstrip(std::u32string_view text);
std::string strip(std::string_view text);

// str.split() with no argument: runs of whitespace separate, none at the ends.
std::vector<std::u32string> split(std::u32string_view text);
std::vector<std::string> split(std::string_view text);

// The text without the characters a reader does not see: the soft hyphen, zero-width
// spaces, joiners and non-joiners, direction marks, embeddings and isolates, the word
// joiner and the byte order mark. Pages put them inside names ("Lo\u200bgin") to control
// line breaks and direction; a tester reads and types the name without them, so every
// comparison of names drops them on both sides. ASCII comes back unchanged.
std::string without_invisible(std::string_view text);

// The text as a keyboard writes it: typographic apostrophes and quotes, dashes and the minus
// sign, the ellipsis and the non-breaking spaces become their ASCII forms ("Don’t save" reads
// "Don't save"). Testers type ASCII; pages print typography. ASCII comes back unchanged.
std::string plain_typography(std::string_view text);

// len(str): code points.
std::size_t length(std::string_view text);

// repr(str): the quoted-literal form used in messages.
std::string repr(std::string_view text);
std::string repr(std::u32string_view text);

}  // namespace kelvo::text
