// The agent's own element checks, which the language's parser does not know: "verify Gift
// wrap is checked", "... is not checked", "... is selected". They are read before a step
// reaches the parser, so its records, messages and validation stay as they are.
#pragma once

#include <optional>
#include <string_view>

#include "engine/agent/grammar/parsed_instruction.h"

namespace kelvo::step {

// The record of a checked-state check: action "verify_checked" or "verify_unchecked", the
// target as written (a wholly quoted one unwrapped, as the parser does), and the state as a
// tester names it ("checked", "not checked", "selected", "not selected", "on", "off").
// None for any other step, a text check among them.
std::optional<grammar::ParsedInstruction> read_checked_check(std::u32string_view instruction);

}  // namespace kelvo::step
