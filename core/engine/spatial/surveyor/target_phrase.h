// The target phrase broken into anchor, relation, type, ordinal and the words around them:
// "second button below the Address" -> anchor "address", relation "below", type "button",
// ordinal 2. Pure text processing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvo::surveyor {

struct RelationKeyword {
  std::string_view keyword;
  std::string_view strategy;
};

// Row order matters: longer keywords are tried first, ties in this order.
inline constexpr std::array<RelationKeyword, 7> RELATIONS{{
    {"next to", "next_to"},
    {"below", "below"},
    {"under", "below"},
    {"above", "above"},
    {"left of", "left"},
    {"right of", "right"},
    {"near", "near"},
}};

struct OrdinalWord {
  std::string_view word;
  std::int64_t number;
};

// The first row that occurs in the phrase wins, whatever its place in the phrase.
inline constexpr std::array<OrdinalWord, 10> ORDINALS{{
    {"first", 1}, {"second", 2}, {"third", 3}, {"fourth", 4}, {"fifth", 5},
    {"1st", 1},   {"2nd", 2},    {"3rd", 3},   {"4th", 4},    {"5th", 5},
}};

struct TypeKeyword {
  std::string_view word;
  std::string_view type;
};

// Types as the matrix names them; "textbox" here is an input, unlike the ARIA role.
inline constexpr std::array<TypeKeyword, 9> TYPE_KEYWORDS{{
    {"button", "button"}, {"btn", "button"},      {"link", "link"},
    {"anchor", "link"},   {"input", "input"},     {"field", "input"},
    {"textbox", "input"}, {"select", "select"},   {"dropdown", "select"},
}};

struct ParsedTarget {
  std::optional<std::string> anchor;       // words after the relation keyword
  std::optional<std::string> relation;     // strategy of the keyword found
  std::optional<std::string> type_filter;  // element type asked for
  std::optional<std::int64_t> ordinal;     // 1 to 5
  std::optional<std::string> search_text;  // words beside an ordinal when there is no anchor
  std::optional<std::string> target_text;  // words before the relation keyword
};

// Lower-cases the whole phrase first, so every text part comes back lower case.
ParsedTarget parse_target(std::string_view target);

// Lower case without blanks and hyphens, so "Log-in" and "Log In" both read "login".
std::string normalize(std::string_view text);

}  // namespace kelvo::surveyor
