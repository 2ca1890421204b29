// The text-based resolution strategy: which element an instruction means, whether a state
// or a text holds, and what text stands beside a label. No fields: one instance serves
// any number of calls.
#pragma once

#include <string_view>

#include "common/record.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::matcher {

class DOMStrategy {
 public:
  // Dispatches on the instruction's "action"; actions without an operation of their own
  // (click, type, select, hover, extract_text...) resolve their target by text.
  // Throws ArgumentError for fields of the wrong kind, before any matching.
  ResolutionResult resolve(const Record& parsed_instruction, const Elements& dom_elements,
                           const Elements* text_elements = nullptr) const;

  // verify_present / verify_visible / verify_enabled / verify_disabled.
  ResolutionResult resolve_verify(std::string_view action, std::string_view target,
                                  const Elements& dom_elements) const;
  // verify_text_present / verify_text_visible.
  ResolutionResult resolve_verify_text(std::string_view action, std::string_view target,
                                       const Elements& text_elements) const;

  ResolutionResult resolve_find_text(std::string_view target, const Elements& text_elements) const;
  ResolutionResult resolve_find_exact_text(std::string_view target, const Elements& text_elements) const;

  // "below Total" / "right of Price": the nearest text in that direction from the label.
  ResolutionResult resolve_verify_spatial_text(std::string_view target, std::string_view expected,
                                               const Elements& text_elements,
                                               const Elements* dom_elements = nullptr) const;
  ResolutionResult resolve_extract_spatial_text(std::string_view target, const Elements& text_elements,
                                                const Elements* dom_elements = nullptr) const;

  // Target resolution on its own, as resolve does it for element actions.
  ResolutionResult resolve_target(std::string_view action, std::string_view target, std::int64_t ordinal,
                                  const Elements& dom_elements,
                                  const Elements* text_elements = nullptr) const;
};

}  // namespace kelvo::matcher
