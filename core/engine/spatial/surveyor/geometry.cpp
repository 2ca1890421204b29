#include "engine/spatial/surveyor/geometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/geometry.h"
#include "engine/spatial/surveyor/entry_reading.h"

namespace kelvo::surveyor {

namespace {

// Gaps strictly under the tolerance still count as sharing the band.
bool bands_touch(double a_lo, double a_hi, double b_lo, double b_hi) {
  const double tolerance = static_cast<double>(SPATIAL_TOLERANCE);
  return a_lo - tolerance < b_hi && b_lo - tolerance < a_hi;
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
  return xpath::aligned_distance(xpath_a, xpath_b);
}

}  // namespace kelvo::surveyor
