#include "engine/agent/ladder/routing.h"

#include <algorithm>
#include <array>

#include "common/vocabulary.h"

namespace kelvo::ladder {

bool aims_at_element(std::string_view action) {
  static constexpr std::array<std::string_view, 9> kElementActions = {
      "click",          "type",           "select",         "hover",          "extract_text",
      "verify_present", "verify_visible", "verify_enabled", "verify_disabled"};
  return std::find(kElementActions.begin(), kElementActions.end(), action) != kElementActions.end();
}

bool is_spatial_phrase(std::string_view target) {
  const std::vector<std::string> words = vocabulary::words_of(target);
  for (const auto& row : vocabulary::kResolverRelations) {
    if (vocabulary::has_words(words, row.phrase)) return true;
  }
  for (const auto& row : vocabulary::kResolverOrdinals) {
    if (std::find(words.begin(), words.end(), row.word) != words.end()) return true;
  }
  return false;
}

std::vector<std::string> resolver_order(std::string_view action, std::string_view target) {
  if (!aims_at_element(action)) return {};
  if (is_spatial_phrase(target)) return {kRouteSpatial, kRouteText};
  return {kRouteText, kRouteSpatial};
}

}  // namespace kelvo::ladder
