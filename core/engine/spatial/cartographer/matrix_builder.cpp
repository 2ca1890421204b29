#include "engine/spatial/cartographer/matrix_builder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "engine/spatial/cartographer/element_reading.h"

namespace kelvo::cartographer {

namespace {

// NaN sorts after every number, so a stray NaN coordinate cannot break the sort's ordering.
bool before(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

double coordinate(const MatrixEntry& entry, const char* key) { return entry.position[key].get<double>(); }

// Errors name the record they came from, as the caller knows it.
template <typename Fn>
auto with_context(const char* list, std::size_t i, Fn&& fn) {
  try {
    return fn();
  } catch (const RecordKindError& error) {
    throw RecordKindError(std::string(list) + "[" + std::to_string(i) + "]: " + error.what());
  }
}

}  // namespace

Record to_record(const MatrixEntry& entry, const Record& element) {
  Record out = Record::object();
  out["index"] = entry.index;
  out["tag"] = entry.tag;
  out["element_type"] = entry.element_type;
  out["text"] = entry.text;
  out["label"] = entry.label;
  out["searchable"] = entry.searchable;
  out["is_enabled"] = entry.is_enabled;
  out["is_anchor_only"] = entry.is_anchor_only;
  out["order_in_type"] = entry.order_in_type;
  out["position"] = entry.position;
  out["element"] = element;
  return out;
}

MatrixBuilder::MatrixBuilder(std::vector<Record> dom_elements, std::vector<Record> text_elements)
    : dom_elements_(std::move(dom_elements)), text_elements_(std::move(text_elements)) {}

std::vector<MatrixEntry> MatrixBuilder::build() const { return build_matrix(dom_elements_, text_elements_); }

std::vector<MatrixEntry> build_matrix(const std::vector<Record>& dom_elements,
                                      const std::vector<Record>& text_elements) {
  std::vector<MatrixEntry> entries;
  entries.reserve(dom_elements.size() + text_elements.size());

  for (std::size_t i = 0; i < dom_elements.size(); ++i) {
    with_context("dom_elements", i, [&] {
      const Record& element = dom_elements[i];
      if (!element.is_object()) throw RecordKindError("must be a dict, not " + python_kind(element));
      const Record* box = find_key(element, "bounding_box");
      if (!truthy(box)) return;
      MatrixEntry entry;
      entry.tag = read_text(element, "tag");
      entry.element_type = element_type(element);
      entry.text = read_text(element, "text");
      entry.label = read_text(read_attributes(element), "_label");
      entry.searchable = searchable(element);
      const Record* enabled = find_key(element, "is_enabled");
      entry.is_enabled = enabled ? *enabled : Record(true);
      entry.is_anchor_only = false;
      entry.position = position(*box);
      entry.source = Source::dom_element;
      entry.source_index = i;
      entries.push_back(std::move(entry));
    });
  }

  for (std::size_t i = 0; i < text_elements.size(); ++i) {
    with_context("text_elements", i, [&] {
      const Record& element = text_elements[i];
      if (!element.is_object()) throw RecordKindError("must be a dict, not " + python_kind(element));
      const Record* box = find_key(element, "bounding_box");
      if (!truthy(box)) return;
      MatrixEntry entry;
      entry.tag = read_text(element, "tag");
      entry.element_type = "text";
      entry.text = read_text(element, "text");
      entry.label = read_text(read_attributes(element), "_label");
      entry.searchable = entry.text;
      entry.is_enabled = true;
      entry.is_anchor_only = true;
      entry.position = position(*box);
      entry.source = Source::text_element;
      entry.source_index = i;
      entries.push_back(std::move(entry));
    });
  }

  // Raw (top, left) order with no row banding; stable, so ties keep descriptors first.
  std::vector<std::pair<double, double>> keys;
  std::vector<std::size_t> order(entries.size());
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    keys.emplace_back(coordinate(entries[i], "y"), coordinate(entries[i], "x"));
    order[i] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (before(keys[a].first, keys[b].first)) return true;
    if (before(keys[b].first, keys[a].first)) return false;
    return before(keys[a].second, keys[b].second);
  });

  std::vector<MatrixEntry> sorted;
  sorted.reserve(entries.size());
  std::map<std::string, std::int64_t> per_type;
  for (std::size_t i = 0; i < order.size(); ++i) {
    MatrixEntry& entry = entries[order[i]];
    entry.index = static_cast<std::int64_t>(i);
    entry.order_in_type = ++per_type[entry.element_type];
    sorted.push_back(std::move(entry));
  }
  return sorted;
}

const Record& MatrixBuilder::source_of(const MatrixEntry& entry) const {
  return entry.source == Source::dom_element ? dom_elements_.at(entry.source_index)
                                             : text_elements_.at(entry.source_index);
}

std::vector<Record> MatrixBuilder::build_records() const {
  std::vector<Record> out;
  for (const auto& entry : build()) out.push_back(to_record(entry, source_of(entry)));
  return out;
}

}  // namespace kelvo::cartographer
