// MatrixBuilder: merges the element descriptors and text elements of one harvest into
// matrix entries sorted top to bottom, then left to right, with per-type ordinals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::cartographer {

// Which input list an entry came from. The builder never copies input records: an entry
// names its source by list and position, so a binding can hand back the caller's own.
enum class Source { dom_element, text_element };

struct MatrixEntry {
  std::int64_t index = 0;
  std::string tag;
  std::string element_type;
  std::string text;
  std::string label;
  std::string searchable;
  Record is_enabled = true;  // copied as given; true when the descriptor has none
  bool is_anchor_only = false;
  std::int64_t order_in_type = 0;
  Record position;
  Source source = Source::dom_element;
  std::size_t source_index = 0;
};

// The entry as a record with its eleven keys in order; `element` is stored as given.
Record to_record(const MatrixEntry& entry, const Record& element);

// The matrix of records held elsewhere, read in place; what MatrixBuilder::build gives.
std::vector<MatrixEntry> build_matrix(const std::vector<Record>& dom_elements,
                                      const std::vector<Record>& text_elements);

class MatrixBuilder {
 public:
  explicit MatrixBuilder(std::vector<Record> dom_elements, std::vector<Record> text_elements = {});

  const std::vector<Record>& dom_elements() const { return dom_elements_; }
  const std::vector<Record>& text_elements() const { return text_elements_; }

  // A new matrix on every call; the inputs are never changed. Records without a usable
  // bounding box are left out.
  std::vector<MatrixEntry> build() const;

  // build() with each entry as a full record (a copy of its source record as `element`),
  // for callers that live entirely in C++.
  std::vector<Record> build_records() const;

  const Record& source_of(const MatrixEntry& entry) const;

 private:
  std::vector<Record> dom_elements_;
  std::vector<Record> text_elements_;
};

}  // namespace kelvo::cartographer
