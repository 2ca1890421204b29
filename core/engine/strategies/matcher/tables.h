// The vocabulary of text matching: which attributes name an element, which target words
// only say what kind of element is meant, and which tags and roles suit an action.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "common/vocabulary.h"

namespace kelvo::matcher {

// Attributes a reader would call an element by, in the order they are consulted.
// "_label" is the harvested field label; only typing looks at it.
inline constexpr std::array<std::string_view, 6> MATCH_ATTRIBUTES = {"aria-label",  "_label", "placeholder",
                                                                     "data-testid", "type",   "alt"};

// Words that say what kind of element is meant ("Login button"), not which one.
inline constexpr auto TYPE_DESCRIPTORS = [] {
  std::array<std::string_view, vocabulary::kDescriptorWords.size()> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = vocabulary::kDescriptorWords[i].word;
  return words;
}();

inline constexpr std::array<std::string_view, 2> TYPEABLE_TAGS = {"input", "textarea"};
inline constexpr std::array<std::string_view, 4> TYPEABLE_ROLES = {"textbox", "searchbox", "spinbutton",
                                                                   "combobox"};
inline constexpr std::array<std::string_view, 1> SELECTABLE_TAGS = {"select"};

// Tags whose text can be the value read beside a label.
inline constexpr std::array<std::string_view, 14> TEXT_ONLY_TAGS = {
    "span", "p", "label", "h1", "h2", "h3", "h4", "h5", "h6", "li", "td", "th", "div", "a"};

// Text further than this many tree edges from a text anchor belongs to another part of
// the page, however close it is drawn.
inline constexpr int DOM_DISTANCE_THRESHOLD = 10;

// Exact, case-sensitive membership.
template <std::size_t N>
bool in_table(const std::array<std::string_view, N>& table, std::string_view word) {
  return std::find(table.begin(), table.end(), word) != table.end();
}

}  // namespace kelvo::matcher
