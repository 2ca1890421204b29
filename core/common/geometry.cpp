#include "common/geometry.h"

#include <algorithm>

namespace kelvo::xpath {

std::vector<std::string_view> steps(std::string_view path) {
  const auto first = path.find_first_not_of('/');
  if (first == std::string_view::npos) return {std::string_view()};
  path = path.substr(first, path.find_last_not_of('/') - first + 1);
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const auto slash = path.find('/', start);
    out.push_back(path.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return out;
}

std::int64_t prefix_distance(std::string_view a, std::string_view b) {
  const auto sa = steps(a), sb = steps(b);
  std::size_t common = 0;
  while (common < sa.size() && common < sb.size() && sa[common] == sb[common]) ++common;
  return static_cast<std::int64_t>(sa.size() - common) + static_cast<std::int64_t>(sb.size() - common);
}

std::int64_t aligned_distance(std::string_view a, std::string_view b) {
  const auto sa = steps(a), sb = steps(b);
  std::int64_t common = 0;
  for (std::size_t i = 0; i < std::min(sa.size(), sb.size()); ++i) {
    if (sa[i] == sb[i]) ++common;
  }
  return static_cast<std::int64_t>(sa.size()) - common + static_cast<std::int64_t>(sb.size()) - common;
}

bool nested(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  const std::string_view shorter = a.size() <= b.size() ? a : b;
  const std::string_view longer = a.size() <= b.size() ? b : a;
  return longer.compare(0, shorter.size(), shorter) == 0 &&
         (longer.size() == shorter.size() || longer[shorter.size()] == '/');
}

}  // namespace kelvo::xpath
