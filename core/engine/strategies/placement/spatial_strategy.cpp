#include "engine/strategies/placement/placement.h"

#include <utility>

namespace kelvo::placement {

Kind kind_of(const Record& value) {
  if (value.is_object()) return Kind::map;
  if (value.is_array()) return Kind::list;
  return Kind::other;
}

ArgumentError::ArgumentError(std::string argument, std::string expected)
    : std::invalid_argument(argument + " must be " + expected),
      argument_(std::move(argument)),
      expected_(std::move(expected)) {}

std::optional<Record> SpatialStrategy::resolve(Kind parsed_instruction, Kind matrix,
                                               Kind dom_candidates) const {
  if (parsed_instruction != Kind::map) throw ArgumentError("parsed_instruction", "a dict");
  if (matrix != Kind::map) throw ArgumentError("matrix", "a dict");
  if (dom_candidates != Kind::list) throw ArgumentError("dom_candidates", "a list");
  return std::nullopt;
}

std::optional<Record> SpatialStrategy::resolve(const Record& parsed_instruction, const Record& matrix,
                                               const Record& dom_candidates) const {
  return resolve(kind_of(parsed_instruction), kind_of(matrix), kind_of(dom_candidates));
}

}  // namespace kelvo::placement
