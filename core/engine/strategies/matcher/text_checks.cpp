// State verification and text finding: the answers read the flags and texts the harvest
// recorded; the page itself is never asked.
#include <algorithm>
#include <iterator>
#include <string>

#include "common/element_state.h"
#include "common/text.h"
#include "engine/strategies/matcher/dom_strategy.h"
#include "engine/strategies/matcher/fast_text.h"
#include "engine/strategies/matcher/ordering.h"
#include "engine/strategies/matcher/record_reading.h"
#include "engine/strategies/matcher/text_matching.h"

namespace kelvo::matcher {

namespace {

// A stored flag as the harvest recorded it; absent reads as false.
Record flag(const Record& element, const char* key) {
  const Record* value = find_key(element, key);
  return value ? *value : Record(false);
}

ResolutionResult not_verified() {
  ResolutionResult result;
  result.shape = Shape::verification;
  return result;
}

// Text elements whose lower-cased text contains `needle`, in list order.
std::vector<std::size_t> containing(std::string_view needle, const Elements& text_elements) {
  std::vector<std::size_t> matches;
  for (std::size_t i = 0; i < text_elements.size(); ++i) {
    if (detail::lower(detail::text_of(text_elements[i])).find(needle) != std::string::npos) {
      matches.push_back(i);
    }
  }
  return matches;
}

}  // namespace

ResolutionResult DOMStrategy::resolve_verify(std::string_view action, std::string_view target,
                                             const Elements& dom_elements) const {
  if (!element_state::check_of(action)) {
    throw ArgumentValueError(
        "action must be one of verify_present, verify_visible, "
        "verify_enabled, verify_disabled, not " +
        text::repr(action));
  }
  TargetMatch match(strip_type_descriptors(target));
  std::vector<std::size_t> matches;
  for (std::size_t i = 0; i < dom_elements.size(); ++i) {
    if (match.contains(dom_elements[i], false)) matches.push_back(i);
  }
  if (matches.empty()) return not_verified();
  detail::sort_by_text_length(matches, dom_elements);

  const Record& element = dom_elements[matches.front()];
  ResolutionResult result = not_verified();
  result.resolved = true;
  result.state["present"] = true;
  result.state["visible"] = flag(element, "is_visible");
  result.state["enabled"] = flag(element, "is_enabled");
  // The answer carries a flag as the harvest recorded it; whether it holds is the shared
  // judgement of element states (the agent judges its checks the same way).
  switch (*element_state::check_of(action)) {
    case element_state::Check::present: result.verified = result.state["present"]; break;
    case element_state::Check::visible: result.verified = result.state["visible"]; break;
    case element_state::Check::enabled: result.verified = result.state["enabled"]; break;
    case element_state::Check::disabled:
      result.verified = element_state::holds(element_state::Check::disabled, element);
      break;
  }
  result.element = ElementRef{Source::dom_elements, matches.front()};
  result.candidates = detail::refs(Source::dom_elements, matches);
  return result;
}

ResolutionResult DOMStrategy::resolve_verify_text(std::string_view action, std::string_view target,
                                                  const Elements& text_elements) const {
  if (action != "verify_text_present" && action != "verify_text_visible") {
    throw ArgumentValueError("action must be one of verify_text_present, verify_text_visible, not " +
                             text::repr(action));
  }
  std::vector<std::size_t> matches = containing(detail::lower(target), text_elements);
  if (matches.empty()) return not_verified();
  detail::sort_by_text_length(matches, text_elements);

  const Record& element = text_elements[matches.front()];
  ResolutionResult result = not_verified();
  result.resolved = true;
  result.state["present"] = true;
  result.state["visible"] = flag(element, "is_visible");
  result.verified = action == "verify_text_present" ? result.state["present"] : result.state["visible"];
  result.element = ElementRef{Source::text_elements, matches.front()};
  result.candidates = detail::refs(Source::text_elements, matches);
  return result;
}

ResolutionResult DOMStrategy::resolve_find_text(std::string_view target,
                                                const Elements& text_elements) const {
  ResolutionResult result;
  std::vector<std::size_t> matches = containing(detail::lower(target), text_elements);
  if (matches.empty()) return result;
  detail::sort_by_text_length(matches, text_elements);
  result.resolved = true;
  result.element = ElementRef{Source::text_elements, matches.front()};
  result.candidates = detail::refs(Source::text_elements, matches);
  return result;
}

ResolutionResult DOMStrategy::resolve_find_exact_text(std::string_view target,
                                                      const Elements& text_elements) const {
  ResolutionResult result;
  std::string needle = detail::lower(target);
  std::vector<std::size_t> exact;
  for (std::size_t i = 0; i < text_elements.size(); ++i) {
    if (detail::lower(text::strip(detail::text_of(text_elements[i]))) == needle) exact.push_back(i);
  }
  std::vector<std::size_t> partial = containing(needle, text_elements);
  if (exact.empty()) {
    // Not found, but the near misses tell the caller which texts came close.
    detail::sort_by_text_length(partial, text_elements);
    result.candidates = detail::refs(Source::text_elements, partial);
    return result;
  }
  result.resolved = true;
  result.element = ElementRef{Source::text_elements, exact.front()};
  result.candidates = detail::refs(Source::text_elements, exact);
  for (std::size_t i : partial) result.candidates.push_back({Source::text_elements, i});
  return result;
}

}  // namespace kelvo::matcher
