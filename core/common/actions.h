// The one vocabulary of step actions. Records carry an action as its name ("click",
// "verify_text_visible"); the core turns the name into an Action once, at the boundary,
// and every decision after that asks the families below instead of comparing strings.
#pragma once

#include <optional>
#include <string_view>

namespace kelvo {

enum class Action {
  click,
  type,
  select,
  hover,
  extract_text,
  verify_present,
  verify_visible,
  verify_enabled,
  verify_disabled,
  find_text,
  find_exact_text,
  verify_text_present,
  verify_text_visible,
  verify_spatial_text,
  extract_text_spatial,
  press_key,
  sendkeys,
  navigate,
  wait,
  accept_dialog,
  dismiss_dialog,
  verify_dialog,
  // The agent's own element checks, read before the language's parser sees the step
  // (verify Gift wrap is checked / is not checked).
  verify_checked,
  verify_unchecked,
};

// The action a record's name stands for; none for a name the language does not have.
std::optional<Action> action_named(std::string_view name);
// The name records carry.
std::string_view name_of(Action action);

// Acts on an element: the actions a re-ranking by exact name and a row twin serve.
bool acts_on_element(Action action);
// Acts on or checks an element: the rules and the ladder look for one element.
bool aims_at_element(Action action);
// verify_present / visible / enabled / disabled / checked / unchecked: judged on the element found.
bool is_state_check(Action action);
// About page text rather than an element: searches, text checks and spatial reading.
bool is_text_step(Action action);
// Reads the text standing in a direction from an anchor.
bool reads_in_direction(Action action);
// Searches the page's text for the target: a tighter element may carry the same words.
bool searches_text(Action action);
// verify_checked / verify_unchecked: judged on the control's checked or selected state.
bool checks_checked(Action action);

}  // namespace kelvo
