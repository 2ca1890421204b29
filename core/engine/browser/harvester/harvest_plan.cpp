#include "engine/browser/harvester/harvest_plan.h"

#include <stdexcept>

#include "engine/browser/harvester/constants.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {

namespace {
enum : std::size_t { interactable, custom_input, text, candidate };
}  // namespace

BatchPlan harvest_plan() {
  using Target = BatchPlan::Target;
  const Target all_interactables{interactable, std::nullopt, false};
  const Target custom_inputs{custom_input, std::nullopt, false};
  // Text elements and label candidates are read only when visible.
  const Target visible_texts{text, std::nullopt, true};
  const Target visible_candidates{candidate, std::nullopt, true};
  // Field labels are resolved for inputs, text areas and custom inputs.
  const std::vector<Target> fields = {{interactable, std::vector<std::string>{"input", "textarea"}, false},
                                      custom_inputs};

  BatchPlan plan;
  plan.selectors = {INTERACTABLE_SELECTOR, CUSTOM_INPUT_SELECTOR, TEXT_SELECTOR, LABEL_CANDIDATE_SELECTOR};
  plan.attributes = CAPTURED_ATTRIBUTES;  // holds the text attributes as well
  plan.enabled_on = {interactable};
  plan.details = {all_interactables, custom_inputs, visible_texts, visible_candidates};
  plan.element_scripts = {
      {scripts::tag_name, {all_interactables, custom_inputs, visible_texts}, "tag_name"},
      {scripts::data_attributes, {all_interactables, visible_texts}, "data_attributes"},
      {scripts::xpath, {all_interactables, custom_inputs, visible_texts}, "xpath"},
      {scripts::direct_text, {visible_texts}, "direct_text"},
      {scripts::preceding_sibling_label, fields, "preceding_sibling_label"},
      {scripts::parent_children_label, fields, "parent_children_label"},
  };
  plan.lookups = {{"aria-labelledby", "#", "", fields}, {"id", "label[for=\"", "\"]", fields}};
  plan.page_scripts = {{scripts::cursor_pointer, "cursor_pointer"}, {scripts::closed_roots, "closed_roots"}};
  return plan;
}

std::string narrowing_request(const std::string& needle, const std::string& fields, int levels) {
  std::string keep;
  if (fields == "typing") {
    // What the rules may type into: every one is weighed, whatever its words.
    keep = "input, textarea, [role=\"textbox\"], [role=\"searchbox\"], [role=\"spinbutton\"], "
           "[role=\"combobox\"], " +
           CUSTOM_INPUT_SELECTOR;
  } else if (fields == "picking") {
    keep = "select";
  } else if (!fields.empty()) {
    throw std::invalid_argument("fields must be \"typing\", \"picking\" or empty, not " + Record(fields).dump());
  }
  Record request = Record::object();
  request["needle"] = needle;
  request["filter"] = Record::array({Record(std::uint64_t{interactable}), Record(std::uint64_t{custom_input})});
  request["keep"] = keep;
  request["rows"] = Record::array({Record(std::uint64_t{text})});
  request["levels"] = levels;
  request["empty"] = Record::array({Record(std::uint64_t{candidate})});
  return request.dump();
}

}  // namespace kelvo::harvester
