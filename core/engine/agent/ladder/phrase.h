// Reading a tester's phrase for the words the rules do not know: control kinds, plus the
// relation, anchor and ordinal around them, all on whole words.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::ladder::detail {

struct ControlPhrase {
  std::string kind;          // kind group of kind_of_word; empty when the phrase names no kind
  std::string name;          // other words before the relation, folded ("keep me signed in")
  std::string relation;      // "below", "above", "left", "right", "next_to", "near" or empty
  std::string anchor;        // folded words after the relation, articles dropped
  std::string anchor_as_written;  // the same with its leading article: "The Aleph" is a title
  std::int64_t ordinal = 0;  // 0 none, -1 last
};

ControlPhrase parse_control_phrase(const std::string& target);

// The target without leading and trailing type words ("Keep me signed in checkbox").
std::string strip_type_words(const std::string& target);

}  // namespace kelvo::ladder::detail
