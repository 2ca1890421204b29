#include "engine/spatial/cartographer/element_reading.h"

#include <cstdint>

#include "common/text.h"

namespace kelvo::cartographer {

namespace {

const Record& empty_object() {
  static const Record empty = Record::object();
  return empty;
}

// A box value: absent or null reads as integer 0, as a harvest never leaves one out.
Record read_number(const Record& box, std::string_view key) {
  const Record* v = find_key(box, key);
  if (!v || v->is_null()) return Record(std::int64_t{0});
  if (!v->is_number()) {
    throw RecordKindError("'" + std::string(key) + "' must be a number, not " + python_kind(*v));
  }
  return *v;
}

// Python's int + int stays int; anything with a float becomes a float.
Record add(const Record& a, const Record& b, const char* what) {
  if (a.is_number_integer() && b.is_number_integer()) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a.get<std::int64_t>(), b.get<std::int64_t>(), &sum)) {
      throw RecordKindError(std::string(what) + " is out of the 64-bit range");
    }
    return Record(sum);
  }
  return Record(a.get<double>() + b.get<double>());
}

}  // namespace

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

bool truthy(const Record* value) {
  if (!value) return false;
  switch (value->type()) {
    case Record::value_t::null: return false;
    case Record::value_t::boolean: return value->get<bool>();
    case Record::value_t::number_integer:
    case Record::value_t::number_unsigned:
    case Record::value_t::number_float: return value->get<double>() != 0.0;
    case Record::value_t::string: return !value->get_ref<const std::string&>().empty();
    case Record::value_t::array:
    case Record::value_t::object: return !value->empty();
    default: return true;
  }
}

std::string read_text(const Record& record, std::string_view key) {
  const Record* v = find_key(record, key);
  if (!v || v->is_null()) return {};
  if (!v->is_string()) {
    throw RecordKindError("'" + std::string(key) + "' must be a str, not " + python_kind(*v));
  }
  return v->get<std::string>();
}

const Record& read_attributes(const Record& element) {
  const Record* v = find_key(element, "attributes");
  if (!v || v->is_null()) return empty_object();
  if (!v->is_object()) {
    throw RecordKindError("'attributes' must be a dict, not " + python_kind(*v));
  }
  return *v;
}

std::string element_type(const Record& element) {
  const std::string tag = read_text(element, "tag");
  const Record& attributes = read_attributes(element);
  const std::string role = read_text(attributes, "role");
  if (role == "button" || role == "link" || role == "textbox" || role == "combobox") return role;
  if (tag == "input") {
    const std::string input_type = read_text(attributes, "type");
    if (input_type == "submit" || input_type == "button" || input_type == "reset") return "button";
  }
  for (const auto& row : TAG_TO_TYPE) {
    if (row.tag == tag) return std::string(row.type);
  }
  return tag;
}

std::string searchable(const Record& element) {
  const Record& attributes = read_attributes(element);
  const std::string surfaces[] = {
      read_text(element, "text"),          read_text(attributes, "_label"),
      read_text(attributes, "aria-label"), read_text(attributes, "placeholder"),
      read_text(attributes, "name"),
  };
  std::string joined;
  for (const auto& surface : surfaces) {
    if (surface.empty()) continue;
    if (!joined.empty()) joined += ' ';
    joined += surface;
  }
  return text::strip(std::string_view(joined));
}

Record position(const Record& bounding_box) {
  if (!bounding_box.is_object()) {
    throw RecordKindError("'bounding_box' must be a dict, not " + python_kind(bounding_box));
  }
  const Record x = read_number(bounding_box, "x");
  const Record y = read_number(bounding_box, "y");
  const Record w = read_number(bounding_box, "width");
  const Record h = read_number(bounding_box, "height");
  Record out = Record::object();
  out.get_ref<Record::object_t&>().reserve(8);
  out["x"] = x;
  out["y"] = y;
  out["w"] = w;
  out["h"] = h;
  out["cx"] = x.get<double>() + w.get<double>() / 2.0;
  out["cy"] = y.get<double>() + h.get<double>() / 2.0;
  out["x2"] = add(x, w, "'x' + 'width'");
  out["y2"] = add(y, h, "'y' + 'height'");
  return out;
}

}  // namespace kelvo::cartographer
