#include "engine/browser/harvester/native_elements.h"

#include <string>

#include "common/text.h"
#include "engine/browser/harvester/constants.h"
#include "engine/browser/harvester/driver_calls.h"
#include "engine/browser/harvester/field_labels.h"

namespace kelvo::harvester {

namespace {

bool non_empty(const std::optional<std::string>& value) { return value && !value->empty(); }

}  // namespace

Record extract_native_elements(PageDriver& page) {
  const ElementScriptTexts& scripts = element_script_texts();
  Record descriptors = Record::array();
  for (const Handle& handle : page.query_selector_all(INTERACTABLE_SELECTOR)) {
    guarded([&] {
      const bool visible = handle->is_visible();
      const bool enabled = handle->is_enabled();
      const std::string tag = script_string(handle->evaluate(scripts.tag_name), "tag name");
      std::string text = trimmed_inner_text(*handle);
      if (text.empty()) text = text::strip(handle->get_attribute("value").value_or(""));
      auto box = handle->bounding_box();
      if (!has_positive_size(box)) return;
      // An invisible element is kept only when it names itself (a styled-away control
      // that assistive technology still announces).
      if (!visible) {
        const bool has_aria = non_empty(handle->get_attribute("aria-label"));
        const bool has_title = non_empty(handle->get_attribute("title"));
        if (!has_aria && !has_title) return;
      }

      Record attributes = Record::object();
      for (const auto& name : CAPTURED_ATTRIBUTES) {
        if (auto value = handle->get_attribute(name)) attributes[name] = *value;
      }
      merge_data_attributes(attributes, handle->evaluate(scripts.data_attributes));
      const std::string xpath = script_string(handle->evaluate(scripts.xpath), "XPath");
      if (tag == "input" || tag == "textarea") {
        const std::string label = get_field_label(page, *handle);
        if (!label.empty()) attributes["_label"] = label;
      }

      Record descriptor = object_with_room(7);
      descriptor["tag"] = tag;
      descriptor["text"] = std::move(text);
      descriptor["attributes"] = std::move(attributes);
      descriptor["bounding_box"] = box_record(*box);
      descriptor["is_visible"] = visible;
      descriptor["is_enabled"] = enabled;
      descriptor["xpath"] = xpath;
      descriptors.push_back(std::move(descriptor));
    });
  }
  return descriptors;
}

}  // namespace kelvo::harvester
