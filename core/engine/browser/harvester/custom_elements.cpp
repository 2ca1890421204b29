#include "engine/browser/harvester/custom_elements.h"

#include <set>
#include <string>

#include "common/text.h"
#include "engine/browser/harvester/constants.h"
#include "engine/browser/harvester/driver_calls.h"
#include "engine/browser/harvester/field_labels.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {

bool is_custom_input(std::string_view tag, std::string_view classes) {
  if (tag == "input" || tag == "textarea" || tag == "select") return false;
  const std::string lowered = text::lower(classes);
  return lowered.find("editable") != std::string::npos || lowered.find("input") != std::string::npos;
}

Record extract_custom_inputs(PageDriver& page) {
  Record descriptors = Record::array();
  const ElementScriptTexts& scripts = element_script_texts();
  std::set<std::string> seen;
  for (const Handle& handle : page.query_selector_all(CUSTOM_INPUT_SELECTOR)) {
    guarded([&] {
      const std::string tag = script_string(handle->evaluate(scripts.tag_name), "tag name");
      const std::string classes = handle->get_attribute("class").value_or("");
      if (!is_custom_input(tag, classes)) return;
      auto box = handle->bounding_box();
      if (!has_positive_size(box)) return;
      if (!handle->is_visible()) return;
      const std::string xpath = script_string(handle->evaluate(scripts.xpath), "XPath");
      if (!seen.insert(xpath).second) return;
      const std::string text = trimmed_inner_text(*handle);
      const std::string label = get_field_label(page, *handle);

      Record attributes = Record::object();
      for (const auto& name : CAPTURED_ATTRIBUTES) {
        if (auto value = handle->get_attribute(name)) attributes[name] = *value;
      }
      if (!label.empty()) attributes["_label"] = label;

      Record descriptor = object_with_room(8);
      descriptor["tag"] = tag;
      descriptor["text"] = text;
      descriptor["attributes"] = std::move(attributes);
      descriptor["bounding_box"] = box_record(*box);
      descriptor["is_visible"] = true;
      descriptor["is_enabled"] = true;
      descriptor["is_editable_field"] = true;
      descriptor["xpath"] = xpath;
      descriptors.push_back(std::move(descriptor));
    });
  }
  return descriptors;
}

namespace {

// The pointer script always delivers complete items; one that does not ends the harvest.
const Record& item_value(const Record& item, const char* key) {
  const Record* value = find_key(item, key);
  if (!value) throw DriverError(std::string("pointer item has no \"") + key + "\"");
  return *value;
}

}  // namespace

Record extract_cursor_pointer_elements(PageDriver& page) {
  Record items;
  if (!guarded([&] { items = page.evaluate(scripts::cursor_pointer); })) return Record::array();

  Record descriptors = Record::array();
  if (!items.is_array()) return descriptors;
  std::set<std::string> seen;
  for (const Record& item : items) {
    const std::string xpath = get_string(item, "xpath");
    if (!seen.insert(xpath).second) continue;
    Record attributes = Record::object();
    const std::string cls = get_string(item, "cls");
    if (!cls.empty()) attributes["class"] = cls;
    const std::string aria = get_string(item, "aria");
    if (!aria.empty()) attributes["aria-label"] = aria;

    Record box = Record::object();
    box["x"] = item_value(item, "x");
    box["y"] = item_value(item, "y");
    box["width"] = item_value(item, "w");
    box["height"] = item_value(item, "h");

    Record descriptor = Record::object();
    descriptor["tag"] = "button";
    descriptor["text"] = item_value(item, "text");
    descriptor["attributes"] = std::move(attributes);
    descriptor["bounding_box"] = std::move(box);
    descriptor["is_visible"] = true;
    descriptor["is_enabled"] = true;
    descriptor["xpath"] = xpath;
    descriptors.push_back(std::move(descriptor));
  }
  return descriptors;
}

}  // namespace kelvo::harvester
