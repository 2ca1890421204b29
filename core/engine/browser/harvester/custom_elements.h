// Controls built from plain spans and divs, which no native tag or ARIA role reveals:
// editable-looking widgets recognised by class, and short pointer-cursor containers.
#pragma once

#include <string_view>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// _is_custom_input: not a native field, and the lower-cased classes contain
// "editable" or "input".
bool is_custom_input(std::string_view tag, std::string_view classes);

// _extract_custom_inputs: descriptors with "is_editable_field" true, one per XPath.
// A failing element is dropped; a failing initial query throws.
Record extract_custom_inputs(PageDriver& page);

// _extract_cursor_pointer_elements: descriptors tagged "button" from one page script,
// one per XPath; empty when the script fails.
Record extract_cursor_pointer_elements(PageDriver& page);

}  // namespace kelvo::harvester
