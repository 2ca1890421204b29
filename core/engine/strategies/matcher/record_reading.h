// Lenient reading of hand-built or harvested records, the way a Python caller reads them:
// missing keys and values of another kind fall back instead of failing.
#pragma once

#include <string>
#include <string_view>

#include "common/record.h"

namespace kelvo::matcher::detail {

// Python's truth value of a stored value; absent is false.
bool truthy(const Record* value);

// The "attributes" record, or null when absent or not a record.
const Record* attributes_of(const Record& element);

// A string value inside "attributes"; empty when absent or not a string.
std::string attribute(const Record& element, std::string_view name);

// The element's "text"; empty when absent or not a string.
std::string text_of(const Record& element);

}  // namespace kelvo::matcher::detail
