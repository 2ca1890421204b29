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

const Record& require(const Record& record, std::string_view key, const std::string& where) {
  const Record* v = find_key(record, key);
  if (!v) throw EntryError(Kind::missing_key, where + " has no " + quoted(key));
  return *v;
}

void expect(bool ok, const Record& value, const std::string& where, const char* expected) {
  if (!ok) {
    throw EntryError(Kind::wrong_kind,
                     where + " must be " + expected + ", not " + python_kind(value));
  }
}

// Absent and null both read as "not given".
void optional_of(const Record& record, std::string_view key, const std::string& where,
                 bool (Record::*is_kind)() const noexcept, const char* expected) {
  const Record* v = find_key(record, key);
  if (v && !v->is_null()) expect(((*v).*is_kind)(), *v, where + "[" + quoted(key) + "]", expected);
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
  expect(entry.is_object(), entry, where, "a dict");
  const Record& position = require(entry, "position", where);
  const std::string at = where + "['position']";
  expect(position.is_object(), position, at, "a dict");
  for (const char* key : {"x", "y", "x2", "y2", "cx", "cy"}) {
    const Record& v = require(position, key, at);
    expect(v.is_number(), v, at + "[" + quoted(key) + "]", "a number");
  }
  optional_of(position, "w", at, &Record::is_number, "a number");
  optional_of(position, "h", at, &Record::is_number, "a number");
}

void check_entry(const Record& entry, const std::string& where) {
  expect(entry.is_object(), entry, where, "a dict");
  const Record& index = require(entry, "index", where);
  expect(index.is_number(), index, where + "['index']", "a number");
  const Record& type = require(entry, "element_type", where);
  expect(type.is_string(), type, where + "['element_type']", "a str");
  check_position(entry, where);
  optional_of(entry, "text", where, &Record::is_string, "a str");
  optional_of(entry, "searchable", where, &Record::is_string, "a str");
  optional_of(entry, "element", where, &Record::is_object, "a dict");
  if (const Record* element = present(entry, "element")) {
    const std::string el = where + "['element']";
    optional_of(*element, "xpath", el, &Record::is_string, "a str");
    optional_of(*element, "attributes", el, &Record::is_object, "a dict");
    if (const Record* attributes = present(*element, "attributes")) {
      for (const char* key : {"aria-label", "_label", "placeholder"}) {
        optional_of(*attributes, key, el + "['attributes']", &Record::is_string, "a str");
      }
    }
  }
}

double coordinate(const Record& entry, const char* key) {
  return entry.at("position").at(key).get<double>();
}

std::string entry_text(const Record& entry, std::string_view key) {
  const Record* v = present(entry, key);
  return v ? v->get<std::string>() : std::string();
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

std::string element_attribute(const Record& entry, std::string_view key) {
  return entry_text(attributes_of(entry), key);
}

std::string element_xpath(const Record& entry) {
  const Record* element = present(entry, "element");
  return element ? entry_text(*element, "xpath") : std::string();
}

}  // namespace kelvo::surveyor
