#include "engine/spatial/surveyor/geometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/spatial/surveyor/entry_reading.h"

namespace kelvo::surveyor {

namespace {

// Gaps strictly under the tolerance still count as sharing the band.
bool bands_touch(double a_lo, double a_hi, double b_lo, double b_hi) {
  const double tolerance = static_cast<double>(SPATIAL_TOLERANCE);
  return a_lo - tolerance < b_hi && b_lo - tolerance < a_hi;
}

std::vector<std::string_view> steps_of(std::string_view xpath) {
  const auto first = xpath.find_first_not_of('/');
  if (first == std::string_view::npos) return {std::string_view()};
  xpath = xpath.substr(first, xpath.find_last_not_of('/') - first + 1);
  std::vector<std::string_view> steps;
  std::size_t start = 0;
  while (true) {
    const auto slash = xpath.find('/', start);
    steps.push_back(xpath.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return steps;
}

}  // namespace

bool overlaps_vertically(const Record& a, const Record& b) {
  return bands_touch(coordinate(a, "y"), coordinate(a, "y2"), coordinate(b, "y"), coordinate(b, "y2"));
}

bool overlaps_horizontally(const Record& a, const Record& b) {
  return bands_touch(coordinate(a, "x"), coordinate(a, "x2"), coordinate(b, "x"), coordinate(b, "x2"));
}

double centre_distance(const Record& a, const Record& b) {
  const double dx = coordinate(a, "cx") - coordinate(b, "cx");
  const double dy = coordinate(a, "cy") - coordinate(b, "cy");
  return std::sqrt(dx * dx + dy * dy);
}

std::int64_t xpath_aligned_distance(std::string_view xpath_a, std::string_view xpath_b) {
  const auto a = steps_of(xpath_a);
  const auto b = steps_of(xpath_b);
  std::int64_t common = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] == b[i]) ++common;
  }
  return static_cast<std::int64_t>(a.size()) - common + static_cast<std::int64_t>(b.size()) - common;
}

}  // namespace kelvo::surveyor
