// The harvester's vocabulary: which elements count as interactable, as text, as
// label candidates, and which markup attributes a descriptor carries.
#pragma once

#include <string>
#include <vector>

namespace kelvo::harvester {

extern const std::vector<std::string> NATIVE_TAGS;  // _NATIVE_TAGS
extern const std::vector<std::string> ARIA_ROLES;   // _ARIA_ROLES
extern const std::string INTERACTABLE_SELECTOR;
extern const std::vector<std::string> CAPTURED_ATTRIBUTES;

extern const std::vector<std::string> TEXT_TAGS;  // _TEXT_TAGS
extern const std::string TEXT_SELECTOR;
extern const std::vector<std::string> TEXT_ATTRIBUTES;  // _TEXT_ATTRIBUTES

// Wrappers that hold a real form control are not widgets themselves (a Bootstrap
// input-group would otherwise pose as an editable field and win clicks meant for its
// button), hence the :not(:has(...)) on every part.
extern const std::string CUSTOM_INPUT_SELECTOR;  // _CUSTOM_INPUT_SELECTOR

extern const std::string LABEL_CANDIDATE_SELECTOR;  // _LABEL_CANDIDATE_SELECTOR
// Short enough for a section title or one-line label, low enough to be one line.
constexpr std::size_t LABEL_CANDIDATE_MAX_CHARS = 60;
constexpr double LABEL_CANDIDATE_MAX_HEIGHT = 40;

std::string join(const std::vector<std::string>& parts, const std::string& separator);

}  // namespace kelvo::harvester
