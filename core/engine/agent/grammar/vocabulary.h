// The instruction language's vocabulary. The binding publishes these same tables to Python,
// so a caller inspecting them sees exactly what the parser and the validator use.
#pragma once

#include <array>
#include <string_view>
#include <utility>

#include "common/vocabulary.h"

namespace kelvo::grammar {

// Action names a parsed instruction can carry and that the "Unrecognised instruction"
// message lists; `navigate` and `wait` are produced too but deliberately not listed.
// clang-format off
inline constexpr std::array<std::string_view, 20> kSupportedActions = {
    "click", "type", "hover", "select", "press_key", "sendkeys", "extract_text",
    "extract_text_spatial", "find_text", "find_exact_text", "verify_present", "verify_visible",
    "verify_enabled", "verify_disabled", "verify_text_present", "verify_text_visible",
    "verify_spatial_text", "accept_dialog", "dismiss_dialog", "verify_dialog"};
// clang-format on

using StateEntry = std::pair<std::u32string_view, std::string_view>;

// Endings of a state check and the action each selects; the first ending that fits wins.
inline constexpr std::array<StateEntry, 4> kVerifyStates = {{
    {U"is present", "verify_present"},
    {U"is visible", "verify_visible"},
    {U"is enabled", "verify_enabled"},
    {U"is disabled", "verify_disabled"},
}};
inline constexpr std::array<StateEntry, 2> kVerifyTextStates = {{
    {U"is present", "verify_text_present"},
    {U"is visible", "verify_text_visible"},
}};

// Leading words dropped from an element phrase ("click the Login" aims at "Login").
inline constexpr std::array<std::u32string_view, 7> kStopWords = {U"on", U"the", U"a",   U"an",
                                                                  U"in", U"at",  U"into"};

// First words validation accepts. Validation is shallower than parse on purpose: it lets
// "back" and "refresh" through and does not know "extract_text".
inline constexpr std::array<std::string_view, 15> kKnownActions = {
    "click", "type",    "hover",  "select",  "press", "sendkeys", "wait",    "verify",
    "find",  "extract", "accept", "dismiss", "back",  "refresh",  "navigate"};

// Only the five spelled ordinals "first" .. "fifth", and only as the very first word, name
// an ordinal.
inline constexpr auto& kOrdinals = vocabulary::kLeadingOrdinals;

// The relations whose phrase, followed by one blank, turns "extract text ..." and
// "verify text ... is ..." into spatial forms.
inline constexpr auto& kSpatialLeadIns = vocabulary::kLeadInRelations;

// The validator knows fewer spatial openings than the parser (no "under", no "near");
// kept as is so validation keeps reporting what it always reported.
inline constexpr std::array<std::u32string_view, 5> kValidateSpatialOpenings = {
    U"verify text next to", U"verify text below", U"verify text above", U"verify text left",
    U"verify text right"};

// The pattern of a quoted literal, for callers that want to match it themselves.
inline constexpr std::string_view kQuotePattern = R"re("([^"]+)")re";

}  // namespace kelvo::grammar
