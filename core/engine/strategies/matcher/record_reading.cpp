#include "engine/strategies/matcher/record_reading.h"

#include "common/element_state.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::matcher {

std::string kind_name(const Record& value) {
  switch (value.type()) {
    case Record::value_t::null: return "NoneType";
    case Record::value_t::boolean: return "bool";
    case Record::value_t::number_integer:
    case Record::value_t::number_unsigned: return "int";
    case Record::value_t::number_float: return "float";
    case Record::value_t::string: return "str";
    case Record::value_t::array: return "list";
    case Record::value_t::object: return "dict";
    default: return "object";
  }
}

namespace detail {

bool truthy(const Record* value) { return element_state::truthy(value); }

const Record* attributes_of(const Record& element) {
  const Record* attributes = find_key(element, "attributes");
  return (attributes && attributes->is_object()) ? attributes : nullptr;
}

std::string attribute(const Record& element, std::string_view name) {
  const Record* attributes = attributes_of(element);
  return attributes ? get_string(*attributes, name) : std::string();
}

std::string text_of(const Record& element) { return get_string(element, "text"); }

}  // namespace detail
}  // namespace kelvo::matcher
