// Matching a target phrase against the readable strings of one element record, and the
// helpers every resolution rests on. Pure functions: records are only read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::matcher {

// "Login button" is searched as "Login": trailing, then leading kind words are dropped.
// A target made of kind words only comes back unchanged.
std::string strip_type_descriptors(std::string_view target);

// The element's readable strings, in the order they are tried: its text, the naming
// attributes, then words taken from its class, id and data-attribute names.
std::vector<std::string> searchable_strings(const Record& element, bool include_label = false);

// Lower-cased, with "_" and "-" read as blanks, so "E-mail" and "e_mail" read "e mail".
std::string normalise(std::string_view text);

// A value as a spatial text check compares it: lower-cased, without "$", "£", "€" and ",",
// stripped; money and thousands separators do not change a value ("$1,200.00" reads "1200.00").
std::string norm(std::string_view text);

// A target prepared once and tried against many elements.
class TargetMatch {
 public:
  explicit TargetMatch(std::string_view target);
  // Some surface contains the target.
  bool contains(const Record& element, bool include_label) const;
  // Some surface, trimmed, is the target.
  bool exact(const Record& element, bool include_label) const;

 private:
  std::string needle_;
};

bool matches_element(std::string_view target, const Record& element, bool include_label = false);
bool exact_matches_element(std::string_view target, const Record& element, bool include_label = false);

// Typing prefers fields and selecting prefers drop-downs. Answers the positions kept, or
// nothing when the input list stands as it is (other actions, or no element suits).
std::optional<std::vector<std::size_t>> filter_by_action(std::string_view action, const Elements& elements);

// Tree edges between two elements through their deepest common ancestor, from their
// positional XPaths.
std::int64_t dom_distance(std::string_view xpath_a, std::string_view xpath_b);

}  // namespace kelvo::matcher
