// The state checks of an element (present, visible, enabled, disabled), judged from the
// flags a harvest recorded. Text matching reports them in its verification answers and the
// agent judges its checks with them, whichever resolver found the element.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/record.h"

namespace kelvo::element_state {

enum class Check : std::uint8_t { present, visible, enabled, disabled };

// The check an action names; none for any other action.
inline std::optional<Check> check_of(std::string_view action) {
  if (action == "verify_present") return Check::present;
  if (action == "verify_visible") return Check::visible;
  if (action == "verify_enabled") return Check::enabled;
  if (action == "verify_disabled") return Check::disabled;
  return std::nullopt;
}

// How a tester names the state a check asks for.
inline std::string_view wanted(Check check) {
  switch (check) {
    case Check::present: return "present";
    case Check::visible: return "visible";
    case Check::enabled: return "enabled";
    case Check::disabled: return "disabled";
  }
  return "";
}

// A recorded flag read as Python reads a value in a condition; an absent flag is false.
inline bool truthy(const Record* value) {
  if (!value) return false;
  switch (value->type()) {
    case Record::value_t::boolean: return value->get<bool>();
    case Record::value_t::number_integer: return value->get<std::int64_t>() != 0;
    case Record::value_t::number_unsigned: return value->get<std::uint64_t>() != 0;
    case Record::value_t::number_float: return value->get<double>() != 0.0;
    case Record::value_t::string: return !value->get_ref<const std::string&>().empty();
    case Record::value_t::array:
    case Record::value_t::object: return !value->empty();
    default: return false;
  }
}

// Whether the element found is in the state the check asks for. Being found is being
// present; disabled is "not enabled", so an element without the flag counts as disabled.
inline bool holds(Check check, const Record& element) {
  switch (check) {
    case Check::present: return true;
    case Check::visible: return truthy(find_key(element, "is_visible"));
    case Check::enabled: return truthy(find_key(element, "is_enabled"));
    case Check::disabled: return !truthy(find_key(element, "is_enabled"));
  }
  return false;
}

// What the element was seen to be, for a failing check's message.
inline std::string observed(const Record& element) {
  return std::string("present, ") + (truthy(find_key(element, "is_visible")) ? "visible" : "hidden") + ", " +
         (truthy(find_key(element, "is_enabled")) ? "enabled" : "disabled");
}

}  // namespace kelvo::element_state
