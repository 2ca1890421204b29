#include "engine/strategies/matcher/dom_strategy.h"

#include <string>

#include "engine/strategies/matcher/ordering.h"
#include "engine/strategies/matcher/record_reading.h"
#include "engine/strategies/matcher/text_matching.h"

namespace kelvo::matcher {

namespace {

// "action", "target" and "value" may be absent (read as ""); a present value that is not
// text is refused under the name of the operation argument it becomes (null passes the
// instruction check but no operation takes it).
std::string instruction_text(const Record& instruction, const char* key, const char* argument) {
  const Record* value = find_key(instruction, key);
  if (!value) return {};
  if (!value->is_string()) throw ArgumentError(argument, "str", kind_name(*value));
  return value->get<std::string>();
}

void check_instruction_field(const Record& instruction, const char* key) {
  const Record* value = find_key(instruction, key);
  if (value && !value->is_string() && !value->is_null()) {
    throw ArgumentError(std::string("parsed_instruction['") + key + "']", "str or None", kind_name(*value));
  }
}

std::int64_t instruction_ordinal(const Record& instruction) {
  const Record* value = find_key(instruction, "ordinal");
  if (!value) return 1;
  if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
  if (value->is_number_integer()) return value->get<std::int64_t>();
  throw ArgumentError("ordinal", "int", kind_name(*value));
}

bool is_one_of(std::string_view action, std::initializer_list<std::string_view> names) {
  for (auto name : names) {
    if (action == name) return true;
  }
  return false;
}

const Elements kNoElements;

}  // namespace

ResolutionResult DOMStrategy::resolve(const Record& parsed_instruction, const Elements& dom_elements,
                                      const Elements* text_elements) const {
  if (!parsed_instruction.is_object()) {
    throw ArgumentError("parsed_instruction", "a dict", kind_name(parsed_instruction));
  }
  check_instruction_field(parsed_instruction, "action");
  check_instruction_field(parsed_instruction, "target");
  std::string action = instruction_text(parsed_instruction, "action", "action");
  std::string target = instruction_text(parsed_instruction, "target", "target");
  const Elements& text_list = text_elements ? *text_elements : kNoElements;

  if (action == "verify_spatial_text") {
    std::string expected = instruction_text(parsed_instruction, "value", "expected");
    return resolve_verify_spatial_text(target, expected, text_list, &dom_elements);
  }
  if (action == "extract_text_spatial") {
    return resolve_extract_spatial_text(target, text_list, &dom_elements);
  }
  if (action == "find_text") return resolve_find_text(target, text_list);
  if (action == "find_exact_text") return resolve_find_exact_text(target, text_list);
  if (is_one_of(action, {"verify_present", "verify_visible", "verify_enabled", "verify_disabled"})) {
    return resolve_verify(action, target, dom_elements);
  }
  if (is_one_of(action, {"verify_text_present", "verify_text_visible"})) {
    return resolve_verify_text(action, target, text_list);
  }
  return resolve_target(action, target, instruction_ordinal(parsed_instruction), dom_elements, text_elements);
}

ResolutionResult DOMStrategy::resolve_target(std::string_view action, std::string_view target,
                                             std::int64_t ordinal, const Elements& dom_elements,
                                             const Elements* text_elements) const {
  ResolutionResult result;
  std::vector<std::size_t> eligible;
  if (auto kept = filter_by_action(action, dom_elements)) {
    eligible = std::move(*kept);
  } else {
    eligible.resize(dom_elements.size());
    for (std::size_t i = 0; i < eligible.size(); ++i) eligible[i] = i;
  }
  TargetMatch match(strip_type_descriptors(target));
  // Field labels name what to type into; for any other action they would let a click
  // land on a field named only by the text beside it.
  bool use_labels = action == "type";

  // Visible elements first, then hidden ones, then (for reading text) plain page text.
  std::vector<std::size_t> matches;
  Source source = Source::dom_elements;
  const Elements* list = &dom_elements;
  for (std::size_t i : eligible) {
    if (detail::truthy(find_key(dom_elements[i], "is_visible")) &&
        match.contains(dom_elements[i], use_labels)) {
      matches.push_back(i);
    }
  }
  if (matches.empty()) {
    for (std::size_t i : eligible) {
      if (match.contains(dom_elements[i], use_labels)) matches.push_back(i);
    }
  }
  if (matches.empty() && action == "extract_text" && text_elements && !text_elements->empty()) {
    source = Source::text_elements;
    list = text_elements;
    use_labels = false;
    for (std::size_t i = 0; i < text_elements->size(); ++i) {
      const Record& element = (*text_elements)[i];
      if (detail::truthy(find_key(element, "is_visible")) && match.contains(element, false)) {
        matches.push_back(i);
      }
    }
  }
  if (matches.empty()) return result;

  // An exact name beats a longer one that merely contains it, whatever the ordinal.
  std::vector<std::size_t> exact;
  for (std::size_t i : matches) {
    if (match.exact((*list)[i], use_labels)) exact.push_back(i);
  }
  if (!exact.empty()) matches = std::move(exact);

  if (ordinal > 0) {
    detail::sort_by_reading_order(matches, *list);
  } else {
    detail::sort_by_text_length(matches, *list);
  }

  // Ordinals past the end take the last match; zero and below count from the end, and
  // one that reaches before the first match names nothing.
  auto count = static_cast<std::int64_t>(matches.size());
  std::int64_t index;
  if (ordinal > 0) {
    index = (ordinal < count ? ordinal : count) - 1;
  } else {
    if (ordinal < 1 - count) return result;
    index = count + ordinal - 1;
  }
  result.resolved = true;
  result.element = ElementRef{source, matches[static_cast<std::size_t>(index)]};
  result.candidates = detail::refs(source, matches);
  return result;
}

}  // namespace kelvo::matcher
