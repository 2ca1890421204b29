// Small helpers shared by the harvest steps: the per-element guard and the conversions
// of driver answers into record values.
#pragma once

#include <string>
#include <utility>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// Runs one element's steps; a driver failure or an answer of the wrong shape drops the
// element and the harvest goes on. Anything else (an interrupt travelling through the
// driver, out of memory) still ends the harvest. Returns false when the element failed.
template <class Steps>
bool guarded(Steps&& steps) {
  try {
    std::forward<Steps>(steps)();
    return true;
  } catch (const DriverError&) {
    return false;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

// The element scripts every record runs, made strings once: a handle's evaluate takes a
// std::string, and making one from the embedded text at every element copies the whole
// script each time.
struct ElementScriptTexts {
  std::string tag_name, xpath, data_attributes, direct_text, preceding_sibling_label, parent_children_label;
};
const ElementScriptTexts& element_script_texts();

// An empty record object with room for `keys` keys: a record is built key by key, and
// growing its list of keys one by one would move the record several times.
Record object_with_room(std::size_t keys);

// The record "x", "y", "width", "height", in that order, as the driver reported it.
Record box_record(const Box& box);

// A box worth keeping: present with positive width and height.
inline bool has_positive_size(const std::optional<Box>& box) {
  return box && box->width > 0 && box->height > 0;
}

// A script result that must be a string (tag name, XPath); DriverError otherwise.
std::string script_string(const Record& result, const char* script_name);

// Merges the data-attribute script's record: new names are appended, a name already
// present ("data-testid") keeps its place and takes the script's value.
void merge_data_attributes(Record& attributes, const Record& data);

// inner_text() with Python's strip().
std::string trimmed_inner_text(ElementHandle& handle);

}  // namespace kelvo::harvester
