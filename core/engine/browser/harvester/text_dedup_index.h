// The text de-duplication rule answered with a spatial index. Whether a wrapper is
// dominated (some other, strictly smaller record overlaps it and its text is a substring
// of the wrapper's) is an existence question, so only records whose boxes share a grid
// cell with the wrapper need to be looked at: the same survivors as comparing every pair,
// without the quadratic cost on large pages.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvo::harvester {

struct DedupEntry {
  double x = 0, y = 0, width = 0, height = 0;
  std::string_view text;
  bool has_direct_text = false;
};

// Positions of the surviving entries, in input order.
std::vector<std::size_t> dedup_survivors(const std::vector<DedupEntry>& entries);

}  // namespace kelvo::harvester
