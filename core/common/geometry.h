// Boxes and positional XPaths as every library reads them: one box shape, one way of
// splitting a path into steps, and the two tree distances the resolvers measure.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelvo {

// A layout box in CSS pixels, viewport coordinates, as the harvest records it.
struct Box {
  double x = 0, y = 0, width = 0, height = 0;
  double right() const { return x + width; }
  double bottom() const { return y + height; }
  double centre_x() const { return x + width / 2; }
  double centre_y() const { return y + height / 2; }
  double area() const { return width * height; }
};

namespace xpath {

// "/html[1]/body[1]/div[2]" -> {"html[1]", "body[1]", "div[2]"}; slashes at either end are
// ignored, and a path of slashes alone is one empty step.
std::vector<std::string_view> steps(std::string_view path);

// Tree edges between two elements through their deepest common ancestor: the steps after
// the longest shared prefix, on both sides.
std::int64_t prefix_distance(std::string_view a, std::string_view b);

// Steps that differ position by position, counted on both sides: siblings' subtrees of the
// same shape come out close (div[1]/span[1] and div[2]/span[1] are 2 apart, not 4).
std::int64_t aligned_distance(std::string_view a, std::string_view b);

// One path names the other's ancestor, or the same element.
bool nested(std::string_view a, std::string_view b);

}  // namespace xpath
}  // namespace kelvo
