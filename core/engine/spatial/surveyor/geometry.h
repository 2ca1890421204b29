// Where two matrix entries stand relative to each other, on screen and in the tree.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/record.h"

namespace kelvo::surveyor {

// Pixels: boxes less than this apart still share a row (or a column).
inline constexpr std::int64_t SPATIAL_TOLERANCE = 40;
// Pixels: the farthest centre-to-centre distance still called "near".
inline constexpr std::int64_t NEAR_MAX_PIXELS = 300;
// Tree edges: the farthest XPath distance still called "near".
inline constexpr std::int64_t NEAR_MAX_DOM_STEPS = 10;

// On entries (their "position" records); symmetric.
bool overlaps_vertically(const Record& a, const Record& b);
bool overlaps_horizontally(const Record& a, const Record& b);
double centre_distance(const Record& a, const Record& b);

// Steps of two positional XPaths compared position by position over the shorter length;
// every equal position counts, also after the paths diverge (div[1]/span[1] against
// div[2]/span[1] is 2 apart, not 4). The unmatched steps of both paths are the distance.
std::int64_t xpath_aligned_distance(std::string_view xpath_a, std::string_view xpath_b);

}  // namespace kelvo::surveyor
