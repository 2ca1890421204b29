// The spatial strategy slot beside the text strategy. It checks what it is given and
// answers with no resolution: relational phrases are resolved over the spatial matrix
// by the spatial resolver instead.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "common/record.h"

namespace kelvo::placement {

// The kind of an argument as the strategy checks it; other kinds are not told apart.
enum class Kind { map, list, other };

Kind kind_of(const Record& value);

// An argument of the wrong kind: names the argument and the kind it must have.
class ArgumentError : public std::invalid_argument {
 public:
  ArgumentError(std::string argument, std::string expected);
  const std::string& argument() const { return argument_; }
  const std::string& expected() const { return expected_; }

 private:
  std::string argument_;
  std::string expected_;
};

class SpatialStrategy {
 public:
  // Checks, in this order, that `parsed_instruction` and `matrix` are maps and
  // `dom_candidates` a list, and answers nothing: callers treat the empty answer as no
  // resolution. (The matrix as built is a list, so it is refused here.)
  std::optional<Record> resolve(Kind parsed_instruction, Kind matrix, Kind dom_candidates) const;
  std::optional<Record> resolve(const Record& parsed_instruction, const Record& matrix,
                                const Record& dom_candidates) const;
};

}  // namespace kelvo::placement
