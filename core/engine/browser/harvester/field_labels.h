// Labels: what a person reads next to a field. Field labels come from the page, element
// by element, most explicit source first; spatial labels give every still unlabelled
// descriptor the nearest short text above it.
#pragma once

#include <string>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// _get_field_label: the first non-empty of aria-label, aria-labelledby, label[for=id],
// placeholder, title, nearest preceding sibling text, parent's first short child text;
// "" when none. A failing attribute read throws (the caller drops the element).
std::string get_field_label(PageDriver& page, ElementHandle& handle);

// _collect_label_candidates: records {"text", "bounding_box"} of short, one-line, visible
// texts, in document order, each text only at its first occurrence.
Record collect_label_candidates(PageDriver& page);

// _assign_spatial_labels: adds "_label" in place to each descriptor of `elements` that has
// none, from the nearest candidate entirely above it and overlapping it horizontally.
// Throws std::invalid_argument for a box lacking one of its four numbers.
void assign_spatial_labels(Record& elements, const Record& label_candidates);

}  // namespace kelvo::harvester
