// Turns one plain-English step into a ParsedInstruction, and checks steps for problems
// before a run. Works on code points so positions match what a Python caller counts.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/agent/grammar/parsed_instruction.h"

namespace kelvo::grammar {

// A malformed instruction; what() is the one message shown to the test author.
class InstructionError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The instruction with its quoted segments unwrapped, and those segments in order.
struct Unquoted {
  std::u32string text;
  std::vector<std::u32string> literals;
};

// Stateless: one parser may be shared by any number of threads.
class InstructionParser {
 public:
  // Throws InstructionError when no instruction form matches.
  ParsedInstruction parse(std::u32string_view instruction) const;

  // Problems found, in the order of the checks; empty when none. Never throws.
  std::vector<std::string> validate(std::u32string_view instruction) const;

  // Instruction number (from 1) to its problems, only for instructions that have any.
  std::map<std::size_t, std::vector<std::string>> validate_all(
      const std::vector<std::u32string>& instructions) const;

  static Unquoted unquote(std::u32string_view instruction);

  // Drops leading stop words; the rest is re-joined with single blanks.
  static std::u32string clean_target(std::u32string_view target);
};

// A leading ordinal word ("first" .. "fifth") and the text after it; (1, text) otherwise.
std::pair<int, std::u32string> extract_ordinal(std::u32string_view text);

}  // namespace kelvo::grammar
