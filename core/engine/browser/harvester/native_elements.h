// Native descriptors: the elements the interactable selector matches, each examined
// through about twenty driver calls under its own guard.
#pragma once

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// ElementDescriptor records in document order; inputs and textareas carry their field
// label. A failing element is dropped; a failing initial query throws.
Record extract_native_elements(PageDriver& page);

}  // namespace kelvo::harvester
