// Visible texts of the page, each named by its most specific element: anchors for
// spatial phrases and the material of text checks.
#pragma once

#include <cstddef>
#include <vector>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// extract_text_elements: TextElement records in document order, de-duplicated.
// A failing element is dropped; a failing initial query throws.
Record extract_text_elements(PageDriver& page);

// _dedup_text_elements: positions of the records that survive, in input order. A record
// with own text survives; a wrapper without own text goes when a smaller, overlapping
// record's text is a substring of its own. Throws std::invalid_argument for a record
// lacking a box number or its text.
std::vector<std::size_t> dedup_text_elements(const std::vector<Record>& candidates);
std::vector<std::size_t> dedup_text_elements(const Record& candidates);  // an array; else none survive

}  // namespace kelvo::harvester
