#include "engine/spatial/surveyor/entry_reading.h"

namespace kelvo::surveyor {

namespace {

using Kind = EntryError::Kind;

// Kinds named as the Python caller knows them.
std::string python_kind(const Record& value) {
  switch (value.type()) {
    case Record::value_t::null: return "NoneType";
    case Record::value_t::boolean: return "bool";
    case Record::value_t::number_integer:
    case Record::value_t::number_unsigned: return "int";
    case Record::value_t::number_float: return "float";
    case Record::value_t::string: return "str";
    case Record::value_t::array: return "list";
    case Record::value_t::object: return "dict";
    default: return value.type_name();
  }
}

std::string quoted(std::string_view key) { return "'" + std::string(key) + "'"; }

// Messages are only put together on failure: a matrix is checked on every call.
const Record& require(const Record& record, const char* key, const std::string& where) {
  const Record* v = find_key(record, key);
  if (!v) throw EntryError(Kind::missing_key, where + " has no " + quoted(key));
  return *v;
}

[[noreturn]] void wrong_kind(const Record& value, const std::string& where, const char* expected) {
  throw EntryError(Kind::wrong_kind, where + " must be " + expected + ", not " + python_kind(value));
}

void expect_key(bool ok, const Record& value, const std::string& where, const char* key,
                const char* expected) {
  if (!ok) wrong_kind(value, where + "[" + quoted(key) + "]", expected);
}

// Absent and null both read as "not given".
void optional_of(const Record& record, const char* key, const std::string& where,
                 bool (Record::*is_kind)() const noexcept, const char* expected) {
  const Record* v = find_key(record, key);
  if (v && !v->is_null()) expect_key(((*v).*is_kind)(), *v, where, key, expected);
}

const Record* present(const Record& record, std::string_view key) {
  const Record* v = find_key(record, key);
  return (v && !v->is_null()) ? v : nullptr;
}

const Record& attributes_of(const Record& entry) {
  static const Record empty = Record::object();
  const Record* element = present(entry, "element");
  if (!element) return empty;
  const Record* attributes = present(*element, "attributes");
  return attributes ? *attributes : empty;
}

}  // namespace

void check_position(const Record& entry, const std::string& where) {
  if (!entry.is_object()) wrong_kind(entry, where, "a dict");
  const Record& position = require(entry, "position", where);
  if (!position.is_object()) wrong_kind(position, where + "['position']", "a dict");
  for (const char* key : {"x", "y", "x2", "y2", "cx", "cy"}) {
    const Record* v = find_key(position, key);
    if (!v) require(position, key, where + "['position']");
    if (!v->is_number()) wrong_kind(*v, where + "['position'][" + quoted(key) + "]", "a number");
  }
  for (const char* key : {"w", "h"}) {
    const Record* v = find_key(position, key);
    if (v && !v->is_null() && !v->is_number()) {
      wrong_kind(*v, where + "['position'][" + quoted(key) + "]", "a number");
    }
  }
}

void check_entry(const Record& entry, const std::string& where) {
  if (!entry.is_object()) wrong_kind(entry, where, "a dict");
  expect_key(require(entry, "index", where).is_number(), entry["index"], where, "index", "a number");
  expect_key(require(entry, "element_type", where).is_string(), entry["element_type"], where, "element_type",
             "a str");
  check_position(entry, where);
  optional_of(entry, "text", where, &Record::is_string, "a str");
  optional_of(entry, "searchable", where, &Record::is_string, "a str");
  optional_of(entry, "element", where, &Record::is_object, "a dict");
  const Record* element = present(entry, "element");
  if (!element) return;
  const Record* xpath = present(*element, "xpath");
  const Record* attributes = present(*element, "attributes");
  if ((xpath && !xpath->is_string()) || (attributes && !attributes->is_object())) {
    optional_of(*element, "xpath", where + "['element']", &Record::is_string, "a str");
    optional_of(*element, "attributes", where + "['element']", &Record::is_object, "a dict");
  }
  if (!attributes) return;
  for (const char* key : {"aria-label", "_label", "placeholder"}) {
    const Record* v = present(*attributes, key);
    if (v && !v->is_string())
      wrong_kind(*v, where + "['element']['attributes'][" + quoted(key) + "]", "a str");
  }
}

double coordinate(const Record& entry, const char* key) { return entry.at("position").at(key).get<double>(); }

const std::string& entry_text(const Record& entry, std::string_view key) {
  static const std::string empty;
  const Record* v = present(entry, key);
  return v ? v->get_ref<const std::string&>() : empty;
}

bool is_anchor_only(const Record& entry) {
  const Record* v = present(entry, "is_anchor_only");
  if (!v) return false;
  if (v->is_boolean()) return v->get<bool>();
  if (v->is_number()) return v->get<double>() != 0.0;
  if (v->is_string()) return !v->get_ref<const std::string&>().empty();
  if (v->is_array() || v->is_object()) return !v->empty();
  return true;
}

const std::string& element_attribute(const Record& entry, std::string_view key) {
  return entry_text(attributes_of(entry), key);
}

const std::string& element_xpath(const Record& entry) {
  static const std::string empty;
  const Record* element = present(entry, "element");
  return element ? entry_text(*element, "xpath") : empty;
}

}  // namespace kelvo::surveyor
