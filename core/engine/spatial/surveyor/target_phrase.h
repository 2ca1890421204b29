// The target phrase broken into anchor, relation, type, ordinal and the words around them:
// "second button below the Address" -> anchor "address", relation "below", type "button",
// ordinal 2. Pure text processing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/vocabulary.h"

namespace kelvo::surveyor {

struct RelationKeyword {
  std::string_view keyword;
  std::string_view strategy;
};

struct OrdinalWord {
  std::string_view word;
  std::int64_t number;
};

struct TypeKeyword {
  std::string_view word;
  std::string_view type;
};

namespace detail {

constexpr std::array<RelationKeyword, vocabulary::kResolverRelations.size()> relations() {
  std::array<RelationKeyword, vocabulary::kResolverRelations.size()> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = {vocabulary::kResolverRelations[i].phrase, vocabulary::kResolverRelations[i].relation};
  }
  return rows;
}

constexpr std::array<OrdinalWord, vocabulary::kResolverOrdinals.size()> ordinals() {
  std::array<OrdinalWord, vocabulary::kResolverOrdinals.size()> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = {vocabulary::kResolverOrdinals[i].word, vocabulary::kResolverOrdinals[i].number};
  }
  return rows;
}

// Types as the matrix names them; a word for a text box asks for an "input", unlike the
// ARIA role "textbox".
constexpr std::string_view matrix_type(vocabulary::ControlKind kind) {
  switch (kind) {
    case vocabulary::ControlKind::button: return "button";
    case vocabulary::ControlKind::link: return "link";
    case vocabulary::ControlKind::textbox: return "input";
    case vocabulary::ControlKind::select: return "select";
    default: return "";
  }
}

constexpr std::array<TypeKeyword, vocabulary::kResolverTypeWords.size()> type_keywords() {
  std::array<TypeKeyword, vocabulary::kResolverTypeWords.size()> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = {vocabulary::kResolverTypeWords[i].word, matrix_type(vocabulary::kResolverTypeWords[i].kind)};
  }
  return rows;
}

}  // namespace detail

// Row order matters: longer keywords are tried first, ties in this order.
inline constexpr auto RELATIONS = detail::relations();
// The first row that occurs in the phrase wins, whatever its place in the phrase.
inline constexpr auto ORDINALS = detail::ordinals();
// The first row that occurs in the phrase wins.
inline constexpr auto TYPE_KEYWORDS = detail::type_keywords();

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
