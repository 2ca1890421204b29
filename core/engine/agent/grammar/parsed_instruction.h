// The record every instruction becomes; everything downstream reads this, never the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/record.h"

namespace kelvo::grammar {

struct ParsedInstruction {
  std::string action;
  // Null for the dialog actions and verify_dialog.
  std::optional<std::u32string> target;
  // Null for most actions.
  std::optional<std::u32string> value;
  // Present only for click and extract_text; 1 when no ordinal word was written.
  std::optional<int> ordinal;
  // True when target is, character for character, one of the quoted segments.
  bool literal_target = false;
};

// Keys in their fixed order: action, target, value, [ordinal], _literal_target.
Record to_record(const ParsedInstruction& parsed);

}  // namespace kelvo::grammar
