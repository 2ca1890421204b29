#include "engine/agent/ladder/ladder.h"

#include <optional>

#include "common/actions.h"

namespace kelvo::ladder {

namespace {

bool is_text_action(const std::string& action) {
  const std::optional<Action> known = action_named(action);
  return known && is_text_step(*known);
}

}  // namespace

LadderResult resolve(const Record& parsed_instruction, const Lists& lists) {
  return resolve(parsed_instruction, read_phrase(get_string(parsed_instruction, "target")), lists);
}

LadderResult resolve(const Record& parsed_instruction, const Phrase& phrase, const Lists& lists) {
  std::string action = get_string(parsed_instruction, "action");
  const std::string& target = phrase.text;
  std::string value = get_string(parsed_instruction, "value");
  const Record* ord = find_key(parsed_instruction, "ordinal");
  std::int64_t ordinal = ord && ord->is_number_integer() ? ord->get<std::int64_t>() : 1;
  if (is_text_action(action)) {
    LadderResult found = resolve_extended_text(action, target, value, lists);
    return found.resolved ? found : resolve_present(action, phrase, lists);
  }
  // A type word decides the kind ("the checkbox next to ..."); without one the words are a
  // name, read as a label first.
  LadderResult result = resolve_by_control_type(action, phrase, ordinal, lists);
  if (!result.resolved) result = resolve_by_label(action, phrase, ordinal, lists);
  if (!result.resolved && action == "extract_text")
    result = resolve_extended_text(action, target, value, lists);
  if (!result.resolved) result = resolve_present(action, phrase, lists);
  return result;
}

}  // namespace kelvo::ladder
