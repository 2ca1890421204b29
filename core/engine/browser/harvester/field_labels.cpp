#include "engine/browser/harvester/field_labels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>

#include "common/text.h"
#include "engine/browser/harvester/constants.h"
#include "engine/browser/harvester/driver_calls.h"

namespace kelvo::harvester {

namespace {

std::string trimmed_attribute(ElementHandle& handle, const char* name) {
  auto value = handle.get_attribute(name);
  return value ? text::strip(*value) : std::string();
}

// The inner text of the first element matching `selector`, trimmed; "" on any failure,
// since a malformed id only means this source has nothing to say.
std::string text_of_first_match(PageDriver& page, const std::string& selector) {
  std::string out;
  guarded([&] {
    Handle found = page.query_selector(selector);
    if (found) out = trimmed_inner_text(*found);
  });
  return out;
}

std::string label_script(ElementHandle& handle, const std::string& script) {
  std::string out;
  guarded([&] {
    Record result = handle.evaluate(script);
    if (result.is_string() && !result.get_ref<const std::string&>().empty()) {
      out = text::strip(result.get<std::string>());
    }
  });
  return out;
}

double box_number(const Record& box, const char* key) {
  const Record* value = find_key(box, key);
  if (!value || !value->is_number()) {
    throw std::invalid_argument(std::string("bounding_box has no number under \"") + key + "\"");
  }
  return value->get<double>();
}

}  // namespace

std::string get_field_label(PageDriver& page, ElementHandle& handle) {
  std::string label = trimmed_attribute(handle, "aria-label");
  if (!label.empty()) return label;

  auto labelledby = handle.get_attribute("aria-labelledby");
  if (labelledby && !labelledby->empty()) {
    // The value goes in unchanged: several ids make a selector that finds nothing.
    label = text_of_first_match(page, "#" + *labelledby);
    if (!label.empty()) return label;
  }

  auto id = handle.get_attribute("id");
  if (id && !id->empty()) {
    label = text_of_first_match(page, "label[for=\"" + *id + "\"]");
    if (!label.empty()) return label;
  }

  label = trimmed_attribute(handle, "placeholder");
  if (!label.empty()) return label;
  label = trimmed_attribute(handle, "title");
  if (!label.empty()) return label;

  label = label_script(handle, element_script_texts().preceding_sibling_label);
  if (!label.empty()) return label;
  return label_script(handle, element_script_texts().parent_children_label);
}

Record collect_label_candidates(PageDriver& page) {
  Record candidates = Record::array();
  std::set<std::string> seen;
  for (const Handle& handle : page.query_selector_all(LABEL_CANDIDATE_SELECTOR)) {
    guarded([&] {
      if (!handle->is_visible()) return;
      std::string label = trimmed_inner_text(*handle);
      auto box = handle->bounding_box();
      if (label.empty() || !box) return;
      if (text::length(label) > LABEL_CANDIDATE_MAX_CHARS || box->height > LABEL_CANDIDATE_MAX_HEIGHT) {
        return;
      }
      if (!seen.insert(label).second) return;
      Record candidate = Record::object();
      candidate["text"] = label;
      candidate["bounding_box"] = box_record(*box);
      candidates.push_back(std::move(candidate));
    });
  }
  return candidates;
}

namespace {

// The candidates' numbers read once, so that the scan below (every element against every
// candidate) compares plain numbers instead of looking keys up for each pair.
struct CandidateBox {
  double bottom, x, right;
  const std::string* text;
  std::size_t index;  // position in the candidate list: ties go to the earlier one
};

// The candidates ordered by bottom edge, lowest on the page first, so the nearest
// candidate above an element is found by a binary search and a short walk upwards
// instead of a scan of every candidate for every element.
class CandidatesAbove {
 public:
  explicit CandidatesAbove(std::vector<CandidateBox> boxes) : boxes_(std::move(boxes)) {
    // A NaN bottom never wins (its distance compares false), so it is left out.
    boxes_.erase(std::remove_if(boxes_.begin(), boxes_.end(),
                                [](const CandidateBox& c) { return std::isnan(c.bottom); }),
                 boxes_.end());
    std::stable_sort(boxes_.begin(), boxes_.end(),
                     [](const CandidateBox& a, const CandidateBox& b) { return a.bottom > b.bottom; });
  }

  // The text of the candidate entirely above the element and overlapping it
  // horizontally at the smallest distance (the earliest such candidate on a tie), or
  // nullptr: exactly what comparing every candidate in list order finds.
  const std::string* nearest(double el_x, double el_w, double el_y_top) const {
    if (std::isnan(el_y_top)) return nullptr;
    // First candidate whose bottom is not below the element's top.
    auto it = std::partition_point(boxes_.begin(), boxes_.end(),
                                   [&](const CandidateBox& c) { return c.bottom > el_y_top; });
    const CandidateBox* best = nullptr;
    double best_distance = std::numeric_limits<double>::infinity();
    for (; it != boxes_.end(); ++it) {
      const double distance = el_y_top - it->bottom;
      // Distances only grow from here on; rounding can make a few equal, and among
      // equal ones the earliest candidate wins, so equal distances are still looked at.
      if (best ? distance > best_distance : distance >= best_distance) break;
      if (it->x > el_x + el_w || it->right < el_x) continue;  // no horizontal overlap
      if (!(distance <= best_distance)) continue;             // NaN distance never wins
      if (!best || distance < best_distance || it->index < best->index) {
        best = &*it;
        best_distance = distance;
      }
    }
    return best ? best->text : nullptr;
  }

 private:
  std::vector<CandidateBox> boxes_;
};

bool read_candidates(const Record& label_candidates, std::vector<CandidateBox>& out) {
  if (!label_candidates.is_array()) return false;
  out.reserve(label_candidates.size());
  for (const Record& candidate : label_candidates) {
    const Record* box = find_key(candidate, "bounding_box");
    const Record* text = find_key(candidate, "text");
    if (!box || !text || !text->is_string()) return false;
    const Record* keys[] = {find_key(*box, "x"), find_key(*box, "y"), find_key(*box, "width"),
                            find_key(*box, "height")};
    for (const Record* key : keys) {
      if (!key || !key->is_number()) return false;
    }
    const double x = keys[0]->get<double>();
    out.push_back({keys[1]->get<double>() + keys[3]->get<double>(), x, x + keys[2]->get<double>(),
                   &text->get_ref<const std::string&>(), out.size()});
  }
  return true;
}

}  // namespace

void assign_spatial_labels(Record& elements, const Record& label_candidates) {
  if (!elements.is_array()) return;
  // A malformed candidate is reported where the scan meets it, by the loop further down.
  std::vector<CandidateBox> boxes;
  const bool fast = read_candidates(label_candidates, boxes);
  std::optional<CandidatesAbove> above;
  if (fast) above.emplace(std::move(boxes));
  for (Record& element : elements) {
    const Record* attributes = find_key(element, "attributes");
    if (attributes && !get_string(*attributes, "_label").empty()) continue;
    const Record* box = find_key(element, "bounding_box");
    if (!box || !box->is_object() || box->empty()) continue;
    const double el_x = box_number(*box, "x");
    const double el_w = box_number(*box, "width");
    const double el_y_top = box_number(*box, "y");

    std::string best_text;
    double best_distance = std::numeric_limits<double>::infinity();
    if (fast) {
      if (const std::string* best = above->nearest(el_x, el_w, el_y_top)) best_text = *best;
    } else {
      for (const Record& candidate : label_candidates) {
        const Record* found = find_key(candidate, "bounding_box");
        if (!found) throw std::invalid_argument("label candidate has no \"bounding_box\"");
        const Record& c_box = *found;
        const double c_x = box_number(c_box, "x");
        const double c_bottom = box_number(c_box, "y") + box_number(c_box, "height");
        const double c_x_right = c_x + box_number(c_box, "width");
        if (c_bottom > el_y_top) continue;                    // not entirely above
        if (c_x > el_x + el_w || c_x_right < el_x) continue;  // no horizontal overlap
        const double distance = el_y_top - c_bottom;
        if (distance < best_distance) {  // ties: earlier stays
          best_distance = distance;
          best_text = get_string(candidate, "text");
        }
      }
    }
    if (best_text.empty()) continue;
    if (!attributes) {
      element["attributes"] = Record::object();
    } else if (!attributes->is_object()) {
      throw std::invalid_argument("element \"attributes\" is not a record");
    }
    element["attributes"]["_label"] = best_text;
  }
}

}  // namespace kelvo::harvester
