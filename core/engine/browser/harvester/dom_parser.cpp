#include "engine/browser/harvester/dom_parser.h"

#include <iostream>

#include "engine/browser/harvester/custom_elements.h"
#include "engine/browser/harvester/field_labels.h"
#include "engine/browser/harvester/native_elements.h"
#include "engine/browser/harvester/text_elements.h"

namespace kelvo::harvester {

DOMParser::DOMParser(PageDriver& page, HarvestHooks hooks) : page_(page), hooks_(std::move(hooks)) {}

std::pair<Record, Record> DOMParser::extract_interactable_elements() {
  Record elements = extract_native_elements();
  // No de-duplication across sources: an element found twice is listed twice.
  for (auto& descriptor : extract_custom_inputs()) elements.push_back(std::move(descriptor));
  for (auto& descriptor : extract_cursor_pointer_elements()) elements.push_back(std::move(descriptor));
  assign_spatial_labels(elements, collect_label_candidates());
  Record text_elements = extract_text_elements();
  save_snapshot(elements, text_elements);
  return {std::move(elements), std::move(text_elements)};
}

Record DOMParser::extract_text_elements() { return harvester::extract_text_elements(page_); }
Record DOMParser::extract_native_elements() { return harvester::extract_native_elements(page_); }
Record DOMParser::extract_custom_inputs() { return harvester::extract_custom_inputs(page_); }
Record DOMParser::extract_cursor_pointer_elements() {
  return harvester::extract_cursor_pointer_elements(page_);
}
Record DOMParser::collect_label_candidates() { return harvester::collect_label_candidates(page_); }
std::string DOMParser::get_field_label(ElementHandle& handle) {
  return harvester::get_field_label(page_, handle);
}

void DOMParser::save_snapshot(const Record& elements, const Record& text_elements) {
  const SnapshotSettings settings = hooks_.settings ? hooks_.settings() : SnapshotSettings{false};
  auto path = harvester::save_snapshot(page_, elements, text_elements, settings);
  if (!path) return;
  const std::string line = snapshot_saved_line(*path);
  if (hooks_.print_line) {
    hooks_.print_line(line);
  } else {
    std::cout << line << std::endl;
  }
}

}  // namespace kelvo::harvester
