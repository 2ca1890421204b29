// Reading boxes from records, reading order and text normalisation shared by the rungs.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "common/record.h"
#include "common/text.h"

namespace kelvo::ladder::detail {

inline Box box_of(const Record& element) {
  const Record* bb = find_key(element, "bounding_box");
  if (!bb) return {};
  return {get_number(*bb, "x"), get_number(*bb, "y"), get_number(*bb, "width"), get_number(*bb, "height")};
}

inline bool has_box(const Record& element) {
  const Record* bb = find_key(element, "bounding_box");
  return bb && bb->is_object() && !bb->empty();
}

inline std::string attribute(const Record& element, const char* name) {
  const Record* attrs = find_key(element, "attributes");
  return attrs ? get_string(*attrs, name) : std::string();
}

// Lower-cased, trimmed, inner runs of white space as one blank, typography as typed: names
// read from the page carry line breaks, non-breaking spaces, invisible characters and curly
// apostrophes that testers never type.
inline std::string fold(const std::string& s) {
  std::string out;
  for (const std::string& word : text::split(text::lower(text::plain_typography(text::without_invisible(s))))) {
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

// The first line of a text, folded: a heading followed by more lines is named by its first.
inline std::string first_line(const std::string& s) {
  std::string t = text::strip(s);
  auto cut = t.find('\n');
  return fold(cut == std::string::npos ? t : t.substr(0, cut));
}

// Of several copies of a text, the one a person reads first: wrappers of another copy give
// way to it, then the topmost, then the leftmost.
template <typename Get>
std::size_t first_read(std::size_t count, Get record) {
  std::size_t best = count;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string xi = get_string(record(i), "xpath");
    bool wraps = false;
    for (std::size_t j = 0; j < count && !wraps; ++j) {
      const std::string xj = get_string(record(j), "xpath");
      wraps = j != i && xj.size() > xi.size() && xj.compare(0, xi.size(), xi) == 0 && xj[xi.size()] == '/';
    }
    if (wraps) continue;
    if (best == count) {
      best = i;
      continue;
    }
    Box a = box_of(record(i)), b = box_of(record(best));
    if (a.y + 1 < b.y || (std::abs(a.y - b.y) <= 1 && a.x < b.x)) best = i;
  }
  return best;
}

}  // namespace kelvo::ladder::detail
