#include "engine/browser/harvester/text_elements.h"

#include <stdexcept>
#include <string>

#include "engine/browser/harvester/constants.h"
#include "engine/browser/harvester/driver_calls.h"
#include "engine/browser/harvester/text_dedup_index.h"

namespace kelvo::harvester {

namespace {

double number_at(const Record& box, const char* key, std::size_t index) {
  const Record* value = find_key(box, key);
  if (!value || !value->is_number()) {
    throw std::invalid_argument("text element " + std::to_string(index) +
                                " has no number under bounding_box[\"" + key + "\"]");
  }
  return value->get<double>();
}

}  // namespace

Record extract_text_elements(PageDriver& page) {
  const ElementScriptTexts& scripts = element_script_texts();
  Record found = Record::array();
  for (const Handle& handle : page.query_selector_all(TEXT_SELECTOR)) {
    guarded([&] {
      if (!handle->is_visible()) return;
      std::string text = trimmed_inner_text(*handle);
      if (text.empty()) return;
      auto box = handle->bounding_box();
      if (!box) return;  // its size is not tested: a zero-height text still counts
      const std::string tag = script_string(handle->evaluate(scripts.tag_name), "tag name");
      const std::string xpath = script_string(handle->evaluate(scripts.xpath), "XPath");

      Record attributes = Record::object();
      for (const auto& name : TEXT_ATTRIBUTES) {
        if (auto value = handle->get_attribute(name)) attributes[name] = *value;
      }
      merge_data_attributes(attributes, handle->evaluate(scripts.data_attributes));
      Record direct = handle->evaluate(scripts.direct_text);
      if (!direct.is_boolean()) throw DriverError("the direct-text script did not return a boolean");

      Record element = object_with_room(8);
      element["tag"] = tag;
      element["text"] = std::move(text);
      element["has_direct_text"] = direct;
      element["attributes"] = std::move(attributes);
      element["bounding_box"] = box_record(*box);
      element["is_visible"] = true;
      element["is_enabled"] = true;
      element["xpath"] = xpath;
      found.push_back(std::move(element));
    });
  }
  Record survivors = Record::array();
  for (std::size_t index : dedup_text_elements(found)) survivors.push_back(std::move(found[index]));
  return survivors;
}

std::vector<std::size_t> dedup_text_elements(const Record& candidates) {
  if (!candidates.is_array()) return {};
  return dedup_text_elements(candidates.get_ref<const Record::array_t&>());
}

std::vector<std::size_t> dedup_text_elements(const std::vector<Record>& candidates) {
  // The entries point into the records' own texts: the records outlive the comparison.
  const std::size_t n = candidates.size();
  std::vector<DedupEntry> entries(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Record& record = candidates[i];
    const Record* box = find_key(record, "bounding_box");
    if (!box) throw std::invalid_argument("text element " + std::to_string(i) + " has no bounding_box");
    DedupEntry& entry = entries[i];
    entry.x = number_at(*box, "x", i);
    entry.y = number_at(*box, "y", i);
    entry.width = number_at(*box, "width", i);
    entry.height = number_at(*box, "height", i);
    const Record* text = find_key(record, "text");
    if (!text || !text->is_string()) {
      throw std::invalid_argument("text element " + std::to_string(i) + " has no text string");
    }
    entry.text = text->get_ref<const std::string&>();
    entry.has_direct_text = get_bool(record, "has_direct_text");
  }
  // The pairwise rule, answered through a spatial index (same survivors, see
  // text_dedup_index.h): a large page must not cost a comparison of every pair.
  return dedup_survivors(entries);
}

}  // namespace kelvo::harvester
