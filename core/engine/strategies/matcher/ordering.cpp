#include "engine/strategies/matcher/ordering.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/text.h"
#include "engine/strategies/matcher/record_reading.h"

namespace kelvo::matcher::detail {

namespace {

template <typename Key>
void sort_by_key(std::vector<std::size_t>& positions, const Elements& elements, Key key) {
  using Value = decltype(key(elements.front()));
  std::vector<std::pair<Value, std::size_t>> keyed;
  keyed.reserve(positions.size());
  for (std::size_t position : positions) keyed.emplace_back(key(elements[position]), position);
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < keyed.size(); ++i) positions[i] = keyed[i].second;
}

// A NaN from a hand-built record would break the sort's ordering; it counts as missing.
double coordinate(const Record& element, const char* name) {
  const Record* box = find_key(element, "bounding_box");
  double value = box ? get_number(*box, name) : 0.0;
  return std::isnan(value) ? 0.0 : value;
}

}  // namespace

void sort_by_text_length(std::vector<std::size_t>& positions, const Elements& elements) {
  sort_by_key(positions, elements, [](const Record& element) { return text::length(text_of(element)); });
}

void sort_by_reading_order(std::vector<std::size_t>& positions, const Elements& elements) {
  sort_by_key(positions, elements, [](const Record& element) {
    return std::make_pair(coordinate(element, "y"), coordinate(element, "x"));
  });
}

std::vector<ElementRef> refs(Source source, const std::vector<std::size_t>& positions) {
  std::vector<ElementRef> out;
  out.reserve(positions.size());
  for (std::size_t position : positions) out.push_back({source, position});
  return out;
}

}  // namespace kelvo::matcher::detail
