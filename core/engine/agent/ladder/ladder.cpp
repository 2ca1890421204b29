#include "engine/agent/ladder/ladder.h"

namespace kelvo::ladder {

namespace {

bool is_text_action(const std::string& action) {
  return action == "verify_spatial_text" || action == "extract_text_spatial" || action == "find_text" ||
         action == "find_exact_text" || action == "verify_text_present" || action == "verify_text_visible";
}

}  // namespace

LadderResult resolve(const Record& parsed_instruction, const Lists& lists) {
  std::string action = get_string(parsed_instruction, "action");
  std::string target = get_string(parsed_instruction, "target");
  std::string value = get_string(parsed_instruction, "value");
  const Record* ord = find_key(parsed_instruction, "ordinal");
  std::int64_t ordinal = ord && ord->is_number_integer() ? ord->get<std::int64_t>() : 1;
  if (is_text_action(action)) {
    LadderResult found = resolve_extended_text(action, target, value, lists);
    return found.resolved ? found : resolve_present(action, target, lists);
  }
  // A type word decides the kind ("the checkbox next to ..."); without one the words are a
  // name, read as a label first.
  LadderResult result = resolve_by_control_type(action, target, ordinal, lists);
  if (!result.resolved) result = resolve_by_label(action, target, ordinal, lists);
  if (!result.resolved && action == "extract_text")
    result = resolve_extended_text(action, target, value, lists);
  if (!result.resolved) result = resolve_present(action, target, lists);
  return result;
}

}  // namespace kelvo::ladder
