// Reading matrix entries, which may be built by hand as well as by the matrix builder.
// index, element_type and position are required; everything else reads with a default.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "common/record.h"

namespace kelvo::surveyor {

struct EntryError : std::runtime_error {
  enum class Kind { missing_key, wrong_kind };
  EntryError(Kind kind, const std::string& message) : std::runtime_error(message), kind(kind) {}
  Kind kind;
};

// Raises EntryError naming `where` ("matrix[3]") when the entry cannot be read as one.
void check_entry(const Record& entry, const std::string& where);

// Only the geometry, for the distance and overlap tests.
void check_position(const Record& entry, const std::string& where);

// Readers on checked entries.
double coordinate(const Record& entry, const char* key);                   // position[key]
const std::string& entry_text(const Record& entry, std::string_view key);  // absent or null: ""
bool is_anchor_only(const Record& entry);                                  // absent: false
const std::string& element_attribute(const Record& entry, std::string_view key);
const std::string& element_xpath(const Record& entry);

}  // namespace kelvo::surveyor
