// Reading the text that stands beside a label: "verify text below Total is 42",
// "extract text right of Price". Works on harvested boxes and XPaths only.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "common/geometry.h"
#include "common/text.h"
#include "common/vocabulary.h"
#include "engine/strategies/matcher/dom_strategy.h"
#include "engine/strategies/matcher/fast_text.h"
#include "engine/strategies/matcher/record_reading.h"
#include "engine/strategies/matcher/tables.h"
#include "engine/strategies/matcher/text_matching.h"

namespace kelvo::matcher {

// Money and thousands separators do not change a value: "$1,200.00" reads "1200.00".
std::string norm(std::string_view text) {
  std::string out = detail::lower(text);
  for (std::string_view drop : {"$", "£", "€", ","}) {
    std::string kept;
    kept.reserve(out.size());
    std::size_t start = 0;
    for (std::size_t at; (at = out.find(drop, start)) != std::string::npos;) {
      kept.append(out, start, at - start);
      start = at + drop.size();
    }
    kept.append(out, start, std::string::npos);
    out = std::move(kept);
  }
  return text::strip(out);
}

namespace {

// The direction phrases, tried longest first and in table order among equal lengths.
// There is no phrase for "near": it names no direction a single text could be read in.
const std::vector<std::pair<std::string_view, std::string_view>>& directions() {
  static const auto rows = [] {
    std::vector<std::pair<std::string_view, std::string_view>> out;
    for (const auto& row : vocabulary::kReadingRelations) {
      out.emplace_back(row.phrase, vocabulary::reading_direction(row.relation));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return out;
  }();
  return rows;
}

bool measurable(const Record& element) {
  const Record* xpath = find_key(element, "xpath");
  const Record* box = find_key(element, "bounding_box");
  return xpath && xpath->is_string() && !xpath->get_ref<const std::string&>().empty() && box &&
         box->is_object() && !box->empty();
}

std::string where(ElementRef ref) {
  return std::string(ref.source == Source::dom_elements ? "dom_elements" : "text_elements") + "[" +
         std::to_string(ref.index) + "]['bounding_box']['";
}

double measure(const Record& element, ElementRef ref, const char* key) {
  const Record& box = element["bounding_box"];
  const Record* value = find_key(box, key);
  if (!value) throw MeasureError(where(ref) + key + "'] is missing", true);
  if (value->is_boolean()) return value->get<bool>() ? 1.0 : 0.0;
  if (!value->is_number()) {
    throw MeasureError(where(ref) + key + "'] must be a number, not " + kind_name(*value), false);
  }
  return value->get<double>();
}

Box box_of(const Record& element, ElementRef ref) {
  return {measure(element, ref, "x"), measure(element, ref, "y"), measure(element, ref, "width"),
          measure(element, ref, "height")};
}

enum class Outcome { no_direction, anchor_not_found, nothing_in_direction, found };

struct Search {
  Outcome outcome = Outcome::no_direction;
  std::string direction;
  std::string anchor_text;
  std::optional<ElementRef> anchor;
  std::vector<ElementRef> candidates;  // nearest first
};

const Record& record_at(ElementRef ref, const Elements& text_elements, const Elements* dom_elements) {
  return ref.source == Source::text_elements ? text_elements[ref.index] : (*dom_elements)[ref.index];
}

// Splits "below the Total" into a direction and an anchor text.
bool read_phrase(std::string_view target, Search& search) {
  std::string lowered = detail::lower(target);
  for (const auto& [phrase, direction] : directions()) {
    std::string lead = std::string(phrase) + " ";
    if (lowered.rfind(lead, 0) != 0) continue;
    search.direction = std::string(direction);
    std::u32string anchor = text::decode(target).substr(phrase.size());
    anchor = text::strip(anchor);
    for (std::string_view article : vocabulary::kArticles) {
      const std::u32string lead = text::decode(std::string(article) + " ");
      if (text::lower(std::u32string_view(anchor)).rfind(lead, 0) == 0) anchor.erase(0, lead.size());
    }
    search.anchor_text = text::encode(anchor);
    return true;
  }
  return false;
}

std::string first_line(const std::string& text) {
  std::string trimmed = detail::lower(text::strip(text));
  return text::strip(std::string_view(trimmed).substr(0, trimmed.find('\n')));
}

Search search_beside(std::string_view target, const Elements& text_elements, const Elements* dom_elements) {
  Search search;
  if (!read_phrase(target, search) || search.anchor_text.empty()) return search;

  // The anchor: a text whose first line is the label; failing that, an interactable
  // element named by its whole text, then by its aria-label.
  std::string key = detail::lower(search.anchor_text);
  std::vector<ElementRef> found;
  for (std::size_t i = 0; i < text_elements.size(); ++i) {
    const Record& element = text_elements[i];
    if (measurable(element) && first_line(detail::text_of(element)) == key) {
      found.push_back({Source::text_elements, i});
    }
  }
  bool from_text = !found.empty();
  if (found.empty() && dom_elements && !dom_elements->empty()) {
    for (std::size_t i = 0; i < dom_elements->size(); ++i) {
      const Record& element = (*dom_elements)[i];
      if (measurable(element) && detail::lower(text::strip(detail::text_of(element))) == key) {
        found.push_back({Source::dom_elements, i});
      }
    }
    if (found.empty()) {
      for (std::size_t i = 0; i < dom_elements->size(); ++i) {
        const Record& element = (*dom_elements)[i];
        if (measurable(element) &&
            detail::lower(text::strip(detail::attribute(element, "aria-label"))) == key) {
          found.push_back({Source::dom_elements, i});
        }
      }
    }
  }
  if (found.empty()) {
    search.outcome = Outcome::anchor_not_found;
    return search;
  }

  // The smallest box is the most specific anchor (a cell rather than its row).
  ElementRef anchor = found.front();
  double smallest = 0;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Record& element = record_at(found[i], text_elements, dom_elements);
    double area = measure(element, found[i], "width") * measure(element, found[i], "height");
    if (i == 0 || area < smallest) {
      smallest = area;
      anchor = found[i];
    }
  }
  search.anchor = anchor;
  const Record& anchor_record = record_at(anchor, text_elements, dom_elements);
  Box a = box_of(anchor_record, anchor);
  double a_x2 = a.x + a.width, a_y2 = a.y + a.height;
  double a_cx = (a.x + a_x2) / 2, a_cy = (a.y + a_y2) / 2;
  std::string anchor_xpath = get_string(anchor_record, "xpath");

  std::vector<std::pair<double, std::size_t>> accepted;
  for (std::size_t i = 0; i < text_elements.size(); ++i) {
    if (from_text && anchor.index == i) continue;
    const Record& element = text_elements[i];
    if (!in_table(TEXT_ONLY_TAGS, get_string(element, "tag")) || !measurable(element)) continue;
    if (from_text && dom_distance(anchor_xpath, get_string(element, "xpath")) > DOM_DISTANCE_THRESHOLD) {
      continue;
    }
    Box e = box_of(element, {Source::text_elements, i});
    double cx = e.x + e.width / 2, cy = e.y + e.height / 2;
    bool beside_rows = a.y <= cy && cy <= a_y2;
    bool beside_columns = a.x <= cx && cx <= a_x2;
    const std::string& d = search.direction;
    if (d == "right" && cx > a_cx && beside_rows) {
      accepted.emplace_back(std::abs(cx - a_cx), i);
    } else if (d == "left" && cx < a_cx && beside_rows) {
      accepted.emplace_back(std::abs(cx - a_cx), i);
    } else if (d == "below" && cy > a_cy && beside_columns) {
      accepted.emplace_back(std::abs(cy - a_cy), i);
    } else if (d == "above" && cy < a_cy && beside_columns) {
      accepted.emplace_back(std::abs(cy - a_cy), i);
    }
  }
  std::stable_sort(accepted.begin(), accepted.end(),
                   [](const auto& l, const auto& r) { return l.first < r.first; });
  for (const auto& [distance, i] : accepted) {
    search.candidates.push_back({Source::text_elements, i});
  }
  search.outcome = accepted.empty() ? Outcome::nothing_in_direction : Outcome::found;
  return search;
}

}  // namespace

ResolutionResult DOMStrategy::resolve_verify_spatial_text(std::string_view target, std::string_view expected,
                                                          const Elements& text_elements,
                                                          const Elements* dom_elements) const {
  Search search = search_beside(target, text_elements, dom_elements);
  ResolutionResult result;
  result.shape = Shape::verification;
  result.state["expected"] = std::string(expected);
  switch (search.outcome) {
    case Outcome::no_direction: return result;
    case Outcome::anchor_not_found:
      result.state["actual"] = "anchor '" + search.anchor_text + "' not found";
      return result;
    case Outcome::nothing_in_direction:
      // The anchor was found, so the answer stays resolved, but nothing was read.
      result.resolved = true;
      result.element = search.anchor;
      result.state["actual"] = "no element " + search.direction + " of '" + search.anchor_text + "'";
      return result;
    case Outcome::found: break;
  }
  ElementRef nearest = search.candidates.front();
  std::string actual = text::strip(detail::text_of(text_elements[nearest.index]));
  std::string want = norm(expected), got = norm(actual);
  // A text that normalises to nothing (a lone "€") is contained in every expectation;
  // that proves nothing, so it never verifies.
  result.verified = !want.empty() && !got.empty() &&
                    (got.find(want) != std::string::npos || want.find(got) != std::string::npos);
  result.resolved = true;
  result.element = nearest;
  result.state["actual"] = actual;
  result.candidates = std::move(search.candidates);
  return result;
}

ResolutionResult DOMStrategy::resolve_extract_spatial_text(std::string_view target,
                                                           const Elements& text_elements,
                                                           const Elements* dom_elements) const {
  Search search = search_beside(target, text_elements, dom_elements);
  ResolutionResult result;
  result.shape = Shape::extraction;
  // Only a text actually found in the direction is a value read; the anchor's own text
  // is not.
  if (search.outcome != Outcome::found) return result;
  ElementRef nearest = search.candidates.front();
  result.resolved = true;
  result.element = nearest;
  result.extracted = text::strip(detail::text_of(text_elements[nearest.index]));
  result.candidates = std::move(search.candidates);
  return result;
}

}  // namespace kelvo::matcher
