#include "engine/browser/harvester/driver_calls.h"

#include "common/text.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {

const ElementScriptTexts& element_script_texts() {
  static const ElementScriptTexts texts{scripts::tag_name,
                                        scripts::xpath,
                                        scripts::data_attributes,
                                        scripts::direct_text,
                                        scripts::preceding_sibling_label,
                                        scripts::parent_children_label};
  return texts;
}

Record object_with_room(std::size_t keys) {
  Record out = Record::object();
  out.get_ref<Record::object_t&>().reserve(keys);
  return out;
}

Record box_record(const Box& box) {
  Record out = object_with_room(4);
  out["x"] = box.x;
  out["y"] = box.y;
  out["width"] = box.width;
  out["height"] = box.height;
  return out;
}

std::string script_string(const Record& result, const char* script_name) {
  if (!result.is_string()) {
    throw DriverError(std::string("the ") + script_name + " script returned " + result.type_name() +
                      ", not a string");
  }
  return result.get<std::string>();
}

void merge_data_attributes(Record& attributes, const Record& data) {
  if (!data.is_object()) throw DriverError("the data-attribute script did not return a record");
  for (auto it = data.begin(); it != data.end(); ++it) attributes[it.key()] = it.value();
}

std::string trimmed_inner_text(ElementHandle& handle) { return text::strip(handle.inner_text()); }

}  // namespace kelvo::harvester
