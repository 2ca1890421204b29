#include "engine/agent/ladder/routing.h"

#include <algorithm>
#include <optional>

#include "common/actions.h"
#include "common/vocabulary.h"

namespace kelvo::ladder {

bool aims_at_element(std::string_view action) {
  const std::optional<Action> known = action_named(action);
  return known && kelvo::aims_at_element(*known);
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
