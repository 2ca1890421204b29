#include "common/actions.h"

#include <array>
#include <utility>

namespace kelvo {

namespace {

constexpr std::array<std::pair<std::string_view, Action>, 24> kNames = {{
    {"click", Action::click},
    {"type", Action::type},
    {"select", Action::select},
    {"hover", Action::hover},
    {"extract_text", Action::extract_text},
    {"verify_present", Action::verify_present},
    {"verify_visible", Action::verify_visible},
    {"verify_enabled", Action::verify_enabled},
    {"verify_disabled", Action::verify_disabled},
    {"find_text", Action::find_text},
    {"find_exact_text", Action::find_exact_text},
    {"verify_text_present", Action::verify_text_present},
    {"verify_text_visible", Action::verify_text_visible},
    {"verify_spatial_text", Action::verify_spatial_text},
    {"extract_text_spatial", Action::extract_text_spatial},
    {"press_key", Action::press_key},
    {"sendkeys", Action::sendkeys},
    {"navigate", Action::navigate},
    {"wait", Action::wait},
    {"accept_dialog", Action::accept_dialog},
    {"dismiss_dialog", Action::dismiss_dialog},
    {"verify_dialog", Action::verify_dialog},
    {"verify_checked", Action::verify_checked},
    {"verify_unchecked", Action::verify_unchecked},
}};

}  // namespace

std::optional<Action> action_named(std::string_view name) {
  for (const auto& [word, action] : kNames) {
    if (word == name) return action;
  }
  return std::nullopt;
}

std::string_view name_of(Action action) {
  for (const auto& [word, known] : kNames) {
    if (known == action) return word;
  }
  return {};
}

bool acts_on_element(Action action) {
  return action == Action::click || action == Action::type || action == Action::select ||
         action == Action::hover;
}

bool is_state_check(Action action) {
  return action == Action::verify_present || action == Action::verify_visible ||
         action == Action::verify_enabled || action == Action::verify_disabled || checks_checked(action);
}

bool checks_checked(Action action) { return action == Action::verify_checked || action == Action::verify_unchecked; }

bool aims_at_element(Action action) {
  return acts_on_element(action) || is_state_check(action) || action == Action::extract_text;
}

bool reads_in_direction(Action action) {
  return action == Action::verify_spatial_text || action == Action::extract_text_spatial;
}

bool searches_text(Action action) {
  return action == Action::find_text || action == Action::verify_text_present ||
         action == Action::verify_text_visible;
}

bool is_text_step(Action action) {
  return searches_text(action) || reads_in_direction(action) || action == Action::find_exact_text;
}

}  // namespace kelvo
