#include "engine/agent/ladder/row.h"

#include <string_view>

namespace kelvo::ladder {

namespace {

// The step a page-unique path takes into a frame's document.
constexpr std::string_view kFrameStep = "/#document";

}  // namespace

std::optional<std::size_t> row_of(const std::string& xpath, const std::vector<Record>& texts) {
  const std::string_view element(xpath);
  std::optional<std::size_t> row;
  std::size_t row_length = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const Record* value = find_key(texts[i], "xpath");
    if (!value || !value->is_string()) continue;
    const std::string& path = value->get_ref<const std::string&>();
    if (path.empty() || path.size() >= element.size() || (row && path.size() <= row_length)) continue;
    if (element.compare(0, path.size(), path) != 0 || element[path.size()] != '/') continue;
    if (element.substr(path.size()).find(kFrameStep) != std::string_view::npos) continue;
    row = i;
    row_length = path.size();
  }
  return row;
}

}  // namespace kelvo::ladder
