#include "engine/agent/step/identity.h"

#include <string>

#include "common/text.h"
#include "engine/agent/ladder/row.h"

namespace kelvo::step {

namespace {

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

}  // namespace

Record identity_of(const Record& element, const std::vector<Record>& text_elements) {
  const std::string tag = text::lower(get_string(element, "tag"));
  const std::string text = get_string(element, "text");
  const std::string xpath = get_string(element, "xpath");
  Record seen_row = nullptr;
  if (const auto row = ladder::row_of(xpath, text_elements)) {
    const Record& holder = text_elements[*row];
    const std::string below = xpath.substr(get_string(holder, "xpath").size());
    // A shadow root is a step of the path but no element.
    const std::size_t levels = count_of(below, "/") - count_of(below, "/#shadow-root");
    const std::string row_text = get_string(holder, "text");
    if (levels <= kRowLevels && !text::strip(row_text).empty() && text::length(row_text) <= kRowTextMax) {
      seen_row = Record::object();
      seen_row["levels"] = static_cast<std::int64_t>(levels);
      seen_row["text"] = row_text;
    }
  }
  Record out = Record::object();
  out["xpath"] = xpath;
  out["text"] = text;
  out["check_text"] = !text::strip(text).empty() && tag != "input" && tag != "textarea" && tag != "select";
  const Record* box = find_key(element, "bounding_box");
  out["box"] = box && !box->is_null() && !(box->is_object() && box->empty()) ? *box : Record(nullptr);
  out["row"] = std::move(seen_row);
  return out;
}

}  // namespace kelvo::step
