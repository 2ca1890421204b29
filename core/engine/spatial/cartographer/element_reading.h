// How one harvested record is read into matrix terms: its normalised type, the one string
// that gathers its readable surfaces, and its flat geometry.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/record.h"

namespace kelvo::cartographer {

// A record value of the wrong kind (a number where text belongs, a list for a box). The
// message names the key; the builder prefixes which input record it was.
struct RecordKindError : std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

struct TagType {
  std::string_view tag;
  std::string_view type;
};

// Raw tags with a type of their own; every other tag is its own type.
inline constexpr std::array<TagType, 5> TAG_TO_TYPE{{
    {"a", "link"},
    {"button", "button"},
    {"input", "input"},
    {"select", "select"},
    {"textarea", "input"},
}};

// Interactive ARIA roles win over the tag, so a div acting as a button is a "button".
std::string element_type(const Record& element);

// Text, label, aria-label, placeholder and name, the non-empty ones joined by one blank.
std::string searchable(const Record& element);

// x, y, w, h, cx, cy, x2, y2 from a bounding box; numbers keep their kind (an int stays an
// int) except the centre, which is always a float.
Record position(const Record& bounding_box);

// Lenient readers shared by the builder: absent or null reads as the fallback, any other
// kind than the expected one raises RecordKindError naming `key`.
std::string read_text(const Record& record, std::string_view key);
const Record& read_attributes(const Record& element);

std::string python_kind(const Record& value);

// Python's truthiness, which decides whether a bounding box is usable at all.
bool truthy(const Record* value);

}  // namespace kelvo::cartographer
