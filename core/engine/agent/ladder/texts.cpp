// Text checks over the harvested text elements plus the extended texts: values in strong,
// code, dd, legend, caption and the like become both answers and anchors.
#include <algorithm>
#include <cmath>

#include "common/vocabulary.h"
#include "engine/agent/ladder/geometry.h"
#include "engine/agent/ladder/ladder.h"

namespace kelvo::ladder {

using detail::box_of;
using detail::fold;
using kelvo::Box;

namespace {

constexpr int kTreeSteps = 10;  // an anchor's answer lives in the same corner of the page

struct Item {
  Ref ref;
  const Record* record;
};

std::vector<Item> text_pool(const Lists& lists) {
  std::vector<Item> pool;
  for (std::size_t i = 0; i < lists.text_elements.size(); ++i)
    pool.push_back({{Source::text_elements, i}, &lists.text_elements[i]});
  for (std::size_t i = 0; i < lists.texts.size(); ++i) pool.push_back({{Source::texts, i}, &lists.texts[i]});
  return pool;
}

// Amounts compare without currency signs and thousands separators.
std::string amount(const std::string& s) {
  std::string out;
  std::string lowered = text::lower(s);
  for (std::size_t i = 0; i < lowered.size(); ++i) {
    if (lowered[i] == '$' || lowered[i] == ',') continue;
    if (lowered.compare(i, 2, "\xC2\xA3") == 0) {
      ++i;
      continue;
    }  // £
    if (lowered.compare(i, 3, "\xE2\x82\xAC") == 0) {
      i += 2;
      continue;
    }  // €
    out += lowered[i];
  }
  return text::strip(out);
}

// The text found answers an extraction as it is, a check when the amounts agree.
void answer(LadderResult& result, const std::string& action, const std::string& expected,
            const std::string& actual) {
  if (action == "extract_text_spatial") {
    result.extracted = actual;
    return;
  }
  std::string want = amount(expected), got = amount(actual);
  result.verified =
      !want.empty() && (got.find(want) != std::string::npos || want.find(got) != std::string::npos);
  result.expected = expected;
  result.actual = actual;
}

// Searches over the extended texts and, typography as typed on both sides ("3-5 days" finds
// "3–5 days"), the harvested ones, which the rules read letter for letter.
LadderResult search(const std::string& action, const std::string& target, const Lists& lists) {
  const std::string needle = text::lower(text::plain_typography(target));
  struct Found {
    std::size_t length;
    Ref ref;
    const Record* record;
  };
  std::vector<Found> found;
  const auto look = [&](const std::vector<Record>& records, Source source) {
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::string t = get_string(records[i], "text");
      const std::string typed = text::lower(text::plain_typography(t));
      const bool hit = action == "find_exact_text" ? text::strip(typed) == needle : typed.find(needle) != std::string::npos;
      if (hit) found.push_back({text::length(t), {source, i}, &records[i]});
    }
  };
  look(lists.texts, Source::texts);
  look(lists.text_elements, Source::text_elements);
  LadderResult result;
  if (found.empty()) return result;
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.length < b.length; });
  result.resolved = true;
  result.resolved_by = kByExtendedText;
  for (const Found& f : found) result.candidates.push_back(f.ref);
  result.element = result.candidates.front();
  if (action == "verify_text_present" || action == "verify_text_visible")
    result.verified = get_bool(*found.front().record, "is_visible", true);
  if (action == "extract_text") result.extracted = text::strip(get_string(*found.front().record, "text"));
  return result;
}

struct Direction {
  std::string direction;
  std::string anchor;
  std::string written;  // the anchor with its leading article: "The Aleph" is a title
};

std::optional<Direction> split_direction(const std::string& target) {
  std::string lowered = fold(target);
  for (const auto& row : vocabulary::kTextRelations) {
    std::string p = std::string(row.phrase) + " ";
    if (lowered.rfind(p, 0) != 0) continue;
    std::string anchor = lowered.substr(p.size());
    const std::string written = anchor;
    for (std::string_view article : vocabulary::kArticles) {
      const std::string lead = std::string(article) + " ";
      if (anchor.rfind(lead, 0) == 0) anchor = anchor.substr(lead.size());
    }
    if (anchor.empty()) return std::nullopt;
    return Direction{std::string(vocabulary::reading_direction(row.relation)), anchor, written};
  }
  return std::nullopt;
}

// An anchor inline at the start of its block with the value a bare text after it
// ("<strong>Sum</strong> $7"): the rest of the innermost such block's first line is the value,
// and the block is the element that shows it.
LadderResult value_after_anchor(const std::string& action, const std::string& expected,
                                const std::vector<Item>& pool, const Item& anchor, const std::string& direction) {
  if (direction != "right" && direction != "near") return {};
  const std::string anchor_xpath = get_string(*anchor.record, "xpath");
  const std::vector<std::string> anchor_words = text::split(text::strip(get_string(*anchor.record, "text")));
  const Item* block = nullptr;
  std::string value;
  for (const Item& it : pool) {
    const std::string xpath = get_string(*it.record, "xpath");
    const bool holds_anchor = !xpath.empty() && anchor_xpath.size() > xpath.size() &&
                              anchor_xpath.compare(0, xpath.size(), xpath) == 0 && anchor_xpath[xpath.size()] == '/';
    if (!holds_anchor || !detail::has_box(*it.record)) continue;
    if (block && xpath.size() <= get_string(*block->record, "xpath").size()) continue;
    std::string line = text::strip(get_string(*it.record, "text"));
    line = line.substr(0, line.find('\n'));
    const std::vector<std::string> words = text::split(line);
    if (anchor_words.empty() || words.size() <= anchor_words.size()) continue;
    bool starts = true;
    for (std::size_t i = 0; i < anchor_words.size() && starts; ++i) starts = fold(words[i]) == fold(anchor_words[i]);
    if (!starts) continue;
    std::string rest;
    for (std::size_t i = anchor_words.size(); i < words.size(); ++i) rest += (rest.empty() ? "" : " ") + words[i];
    block = &it;
    value = rest;
  }
  if (!block) return {};
  LadderResult result;
  result.resolved = true;
  result.resolved_by = kByExtendedText;
  result.element = block->ref;
  result.candidates.push_back(block->ref);
  answer(result, action, expected, value);
  return result;
}

LadderResult spatial(const std::string& action, const std::string& target, const std::string& expected,
                     const Lists& lists) {
  std::optional<Direction> dir = split_direction(target);
  if (!dir) return {};
  std::vector<Item> pool = text_pool(lists);
  // The anchor: a text whose first line is the anchor text; of repeated copies the one a
  // person reads first.
  const Item* anchor = nullptr;
  std::vector<const Item*> hits;
  // A label written with its colon ("Due:") is named without it; the anchor as written,
  // its article included, before the anchor without it.
  for (const std::string* name : {&dir->written, &dir->anchor}) {
    const std::string with_colon = *name + ":";
    for (const Item& it : pool) {
      if (!detail::has_box(*it.record)) continue;
      const std::string line = detail::first_line(get_string(*it.record, "text"));
      if (line == *name || line == with_colon) hits.push_back(&it);
    }
    if (!hits.empty() || dir->written == dir->anchor) break;
  }
  std::size_t first =
      detail::first_read(hits.size(), [&](std::size_t i) -> const Record& { return *hits[i]->record; });
  if (first < hits.size()) anchor = hits[first];
  bool from_text = anchor != nullptr;
  Item dom_anchor{};
  if (!anchor) {
    for (std::size_t i = 0; i < lists.dom_elements.size() && !anchor; ++i) {
      const Record& e = lists.dom_elements[i];
      if (detail::has_box(e) && (fold(get_string(e, "text")) == dir->anchor ||
                                 fold(detail::attribute(e, "aria-label")) == dir->anchor)) {
        dom_anchor = {{Source::dom_elements, i}, &e};
        anchor = &dom_anchor;
      }
    }
  }
  // An anchor that shares its block with the value ("Order total <b>$12.00</b>"): the
  // anchor words start the block's text and an inline element inside carries the rest.
  if (!anchor && (dir->direction == "right" || dir->direction == "near")) {
    const Item* block = nullptr;
    const Item* value = nullptr;
    for (const Item& it : pool) {
      std::string t = detail::first_line(get_string(*it.record, "text"));
      if (t.size() <= dir->anchor.size() || t.compare(0, dir->anchor.size(), dir->anchor) != 0 ||
          t[dir->anchor.size()] != ' ' || !detail::has_box(*it.record))
        continue;
      std::string rest = fold(t.substr(dir->anchor.size()));
      std::string block_xpath = get_string(*it.record, "xpath");
      for (const Item& inner : pool) {
        std::string x = get_string(*inner.record, "xpath");
        if (&inner == &it || x == block_xpath || !xpath::nested(x, block_xpath)) continue;
        if (fold(get_string(*inner.record, "text")) != rest) continue;
        if (!block || box_of(*it.record).area() < box_of(*block->record).area()) {
          block = &it;
          value = &inner;
        }
      }
    }
    if (value) {
      LadderResult result;
      result.resolved = true;
      result.resolved_by = kByExtendedText;
      result.element = value->ref;
      result.candidates.push_back(value->ref);
      answer(result, action, expected, text::strip(get_string(*value->record, "text")));
      return result;
    }
  }
  if (!anchor) return {};
  Box a = box_of(*anchor->record);
  std::string a_xpath = get_string(*anchor->record, "xpath");
  std::vector<std::pair<double, const Item*>> accepted;
  for (const Item& it : pool) {
    const Record& r = *it.record;
    std::string xpath = get_string(r, "xpath");
    if (&it == anchor || get_string(r, "tag") == "button" || !detail::has_box(r) || xpath.empty()) continue;
    // Wrappers of the anchor and pieces of it are the anchor's own text, not its neighbour.
    if (xpath::nested(xpath, a_xpath)) continue;
    if (from_text && xpath::prefix_distance(a_xpath, xpath) > kTreeSteps) continue;
    Box e = box_of(r);
    double ex = e.centre_x(), ey = e.centre_y();
    bool in_row = a.y <= ey && ey <= a.bottom(), in_column = a.x <= ex && ex <= a.right();
    const std::string& d = dir->direction;
    if (d == "right" && ex > a.centre_x() && in_row) accepted.push_back({ex - a.centre_x(), &it});
    if (d == "left" && ex < a.centre_x() && in_row) accepted.push_back({a.centre_x() - ex, &it});
    if (d == "below" && ey > a.centre_y() && in_column) accepted.push_back({ey - a.centre_y(), &it});
    if (d == "above" && ey < a.centre_y() && in_column) accepted.push_back({a.centre_y() - ey, &it});
    // Near: the closest edge in any direction; another text of the anchor's own tag (the
    // next dt, th or label) is a sibling label, not the value beside it.
    if (d == "near" && get_string(r, "tag") != get_string(*anchor->record, "tag")) {
      double gx = std::max({0.0, e.x - a.right(), a.x - e.right()}),
             gy = std::max({0.0, e.y - a.bottom(), a.y - e.bottom()});
      accepted.push_back({std::hypot(gx, gy) + 0.01 * std::hypot(ex - a.centre_x(), ey - a.centre_y()), &it});
    }
  }
  if (accepted.empty()) return value_after_anchor(action, expected, pool, *anchor, dir->direction);
  std::stable_sort(accepted.begin(), accepted.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  LadderResult result;
  result.resolved = true;
  result.resolved_by = kByExtendedText;
  for (auto& [distance, item] : accepted) result.candidates.push_back(item->ref);
  result.element = result.candidates.front();
  answer(result, action, expected, text::strip(get_string(*accepted.front().second->record, "text")));
  return result;
}

}  // namespace

LadderResult resolve_extended_text(const std::string& action, const std::string& target,
                                   const std::string& value, const Lists& lists) {
  if (action == "verify_spatial_text" || action == "extract_text_spatial")
    return spatial(action, target, value, lists);
  if (action == "find_text" || action == "find_exact_text" || action == "verify_text_present" ||
      action == "verify_text_visible" || action == "extract_text") {
    return search(action, target, lists);
  }
  return {};
}

}  // namespace kelvo::ladder
