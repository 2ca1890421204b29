// MatrixResolver: answers "the second button below Address" from one matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"

namespace kelvo::surveyor {

// The answer, with entries named by their position in the matrix so a binding can hand
// back the caller's own element records.
struct SpatialResolution {
  enum class Shape { failure, relational, ordinal };
  Shape shape = Shape::failure;
  std::size_t best = 0;                 // the chosen entry
  std::vector<std::size_t> candidates;  // best first (relational) or matrix order (ordinal)
  // Relational answers only:
  std::size_t anchor = 0;
  std::int64_t ordinal = 1;
  bool type_relaxed = false;
  std::optional<std::string> actual_type;

  bool resolved() const { return shape != Shape::failure; }
};

class MatrixResolver {
 public:
  explicit MatrixResolver(std::vector<Record> matrix);

  const std::vector<Record>& matrix() const { return matrix_; }

  // Not finding a target is an answer (failure shape), never an error.
  SpatialResolution resolve(std::string_view target) const;

  // The entry a phrase measures from: exact text, then exact label, then prefixes;
  // interactable entries and then the smallest box win ties.
  std::optional<std::size_t> find_anchor(std::string_view anchor_text) const;

  // Candidates standing in `strategy` to `anchor`, best first, as positions in
  // `candidates`; with an ordinal n only the n-th (or nothing).
  static std::vector<std::size_t> rank(const std::vector<Record>& candidates, const Record& anchor,
                                       const std::optional<std::string>& strategy,
                                       std::optional<std::int64_t> ordinal);

  // The n-th entry in reading order of a type, narrowed by text when the text matches.
  SpatialResolution resolve_ordinal(std::int64_t ordinal, const std::optional<std::string>& type_filter,
                                    const std::optional<std::string>& search_text) const;

 private:
  std::vector<std::size_t> candidates_for(std::size_t anchor, const std::optional<std::string>& type,
                                          const std::optional<std::string>& target_text) const;
  void check_matrix() const;
  // rank() on entries already checked.
  static std::vector<std::size_t> rank_checked(const std::vector<const Record*>& candidates,
                                               const Record& anchor,
                                               const std::optional<std::string>& strategy,
                                               std::optional<std::int64_t> ordinal);

  std::vector<Record> matrix_;
};

// The answer as a record in its documented key order, elements copied from the matrix.
Record to_record(const SpatialResolution& resolution, const std::vector<Record>& matrix);

}  // namespace kelvo::surveyor
