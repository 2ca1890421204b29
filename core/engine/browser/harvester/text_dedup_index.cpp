#include "engine/browser/harvester/text_dedup_index.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace kelvo::harvester {

namespace {

// Boxes spanning more cells than this are kept aside and compared with every wrapper,
// so one page-sized container cannot make the index itself quadratic.
constexpr double kMaxCellsPerBox = 64;
// Cell indices stay far inside 64 bits; anything farther out is kept aside too.
constexpr double kMaxIndex = 1e15;

double area(const DedupEntry& e) { return e.width * e.height; }

bool overlaps(const DedupEntry& a, const DedupEntry& b) {
  // Strict: boxes that only touch along an edge or at a corner do not overlap.
  return a.x < b.x + b.width && a.x + a.width > b.x && a.y < b.y + b.height && a.y + a.height > b.y;
}

// The rule itself, in its order: smaller, overlapping, text contained.
bool dominates(const DedupEntry& j, const DedupEntry& i, double area_i) {
  return area(j) < area_i && overlaps(j, i) && j.text.size() <= i.text.size() &&
         i.text.find(j.text) != std::string_view::npos;
}

// Only finite boxes of non-negative size can be placed in cells; the rest are compared
// pair by pair, exactly as the rule reads.
bool placeable(const DedupEntry& e) {
  return std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.width) && std::isfinite(e.height) &&
         e.width >= 0 && e.height >= 0;
}

struct Grid {
  double min_x = 0, min_y = 0, cell = 1;
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells;

  struct Span {
    std::int64_t x0, x1, y0, y1;
  };
  // The cells a box touches, edges included; nullopt-like false when too many.
  bool span(const DedupEntry& e, Span& out) const {
    const double fx0 = std::floor((e.x - min_x) / cell), fx1 = std::floor((e.x + e.width - min_x) / cell);
    const double fy0 = std::floor((e.y - min_y) / cell), fy1 = std::floor((e.y + e.height - min_y) / cell);
    if (!(fx1 < kMaxIndex) || !(fy1 < kMaxIndex)) return false;
    if ((fx1 - fx0 + 1) * (fy1 - fy0 + 1) > kMaxCellsPerBox) return false;
    out = {static_cast<std::int64_t>(fx0), static_cast<std::int64_t>(fx1), static_cast<std::int64_t>(fy0),
           static_cast<std::int64_t>(fy1)};
    return true;
  }
  static std::uint64_t key(std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(cx) << 32) ^ static_cast<std::uint64_t>(cy & 0xffffffff);
  }
};

}  // namespace

std::vector<std::size_t> dedup_survivors(const std::vector<DedupEntry>& entries) {
  const std::size_t n = entries.size();
  std::vector<std::size_t> kept;
  kept.reserve(n);

  Grid grid;
  std::vector<double> sizes;
  bool any_placeable = false;
  for (const auto& e : entries) {
    if (!placeable(e)) continue;
    if (!any_placeable) grid.min_x = e.x, grid.min_y = e.y;
    any_placeable = true;
    grid.min_x = std::min(grid.min_x, e.x);
    grid.min_y = std::min(grid.min_y, e.y);
    sizes.push_back(std::max(e.width, e.height));
  }
  if (!sizes.empty()) {
    std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
    grid.cell = std::max(1.0, sizes[sizes.size() / 2]);
  }

  // Entries outside the grid are candidates for every wrapper.
  std::vector<std::uint32_t> aside;
  std::vector<char> in_grid(n, 0);
  for (std::size_t j = 0; j < n; ++j) {
    Grid::Span s;
    if (!placeable(entries[j]) || !grid.span(entries[j], s)) {
      aside.push_back(static_cast<std::uint32_t>(j));
      continue;
    }
    in_grid[j] = 1;
    for (auto cx = s.x0; cx <= s.x1; ++cx) {
      for (auto cy = s.y0; cy <= s.y1; ++cy)
        grid.cells[Grid::key(cx, cy)].push_back(static_cast<std::uint32_t>(j));
    }
  }

  std::vector<std::size_t> seen(n, 0);  // seen[j] == i + 1: j already tested for wrapper i
  for (std::size_t i = 0; i < n; ++i) {
    const DedupEntry& wrapper = entries[i];
    if (wrapper.has_direct_text) {
      kept.push_back(i);
      continue;
    }
    const double wrapper_area = area(wrapper);
    auto test = [&](std::size_t j) {
      if (j == i || seen[j] == i + 1) return false;
      seen[j] = i + 1;
      return dominates(entries[j], wrapper, wrapper_area);
    };
    bool dominated = false;
    if (in_grid[i]) {
      Grid::Span s;
      grid.span(wrapper, s);
      for (auto cx = s.x0; cx <= s.x1 && !dominated; ++cx) {
        for (auto cy = s.y0; cy <= s.y1 && !dominated; ++cy) {
          auto cell = grid.cells.find(Grid::key(cx, cy));
          if (cell == grid.cells.end()) continue;
          for (std::uint32_t j : cell->second) {
            if (test(j)) {
              dominated = true;
              break;
            }
          }
        }
      }
      for (std::size_t k = 0; k < aside.size() && !dominated; ++k) dominated = test(aside[k]);
    } else {
      // A large or odd box: look at everything, its own descendants (right after it in
      // document order) first, where a dominating text is usually found at once.
      for (std::size_t j = i + 1; j < n && !dominated; ++j) dominated = test(j);
      for (std::size_t j = 0; j < i && !dominated; ++j) dominated = test(j);
    }
    if (!dominated) kept.push_back(i);
  }
  return kept;
}

}  // namespace kelvo::harvester
