#include "engine/browser/harvester/python_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/text.h"

namespace kelvo::harvester {

namespace {

void append_u_escape(std::string& out, unsigned unit) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", unit);
  out += buf;
}

void append_string(std::string& out, const std::string& utf8) {
  out += '"';
  for (char32_t c : text::decode(utf8)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c >= 0x20 && c <= 0x7e) {
          out += static_cast<char>(c);
        } else if (c > 0xffff) {
          const unsigned v = static_cast<unsigned>(c) - 0x10000;
          append_u_escape(out, 0xd800 | (v >> 10));
          append_u_escape(out, 0xdc00 | (v & 0x3ff));
        } else {
          append_u_escape(out, static_cast<unsigned>(c));
        }
    }
  }
  out += '"';
}

void append_value(std::string& out, const Record& value, int level) {
  switch (value.type()) {
    case Record::value_t::null: out += "null"; return;
    case Record::value_t::boolean: out += value.get<bool>() ? "true" : "false"; return;
    case Record::value_t::number_integer: out += std::to_string(value.get<std::int64_t>()); return;
    case Record::value_t::number_unsigned: out += std::to_string(value.get<std::uint64_t>()); return;
    case Record::value_t::number_float: out += python_float_repr(value.get<double>()); return;
    case Record::value_t::string: append_string(out, value.get_ref<const std::string&>()); return;
    case Record::value_t::array:
    case Record::value_t::object: {
      const bool is_object = value.is_object();
      if (value.empty()) {
        out += is_object ? "{}" : "[]";
        return;
      }
      const std::string inner = "\n" + std::string(2 * (level + 1), ' ');
      out += is_object ? '{' : '[';
      bool first = true;
      for (auto it = value.begin(); it != value.end(); ++it) {
        if (!first) out += ',';
        first = false;
        out += inner;
        if (is_object) {
          append_string(out, it.key());
          out += ": ";
        }
        append_value(out, it.value(), level + 1);
      }
      out += "\n" + std::string(2 * level, ' ');
      out += is_object ? '}' : ']';
      return;
    }
    default: out += "null"; return;
  }
}

}  // namespace

std::string python_float_repr(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";

  // Shortest round-trip digits in scientific form ("-1.5e-05"), then laid out the way
  // Python does: positional when the decimal point falls within 16 digits, else exponent.
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(result.ptr - buf));
  std::string out;
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const std::size_t e_pos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e_pos)) {
    if (c != '.') digits += c;
  }
  const int exponent = std::atoi(std::string(sci.substr(e_pos + 1)).c_str());
  const int decpt = exponent + 1;
  const int n = static_cast<int>(digits.size());

  if (decpt > -4 && decpt <= 16) {
    if (decpt <= 0) {
      out += "0." + std::string(static_cast<std::size_t>(-decpt), '0') + digits;
    } else if (decpt >= n) {
      out += digits + std::string(static_cast<std::size_t>(decpt - n), '0') + ".0";
    } else {
      out += digits.substr(0, static_cast<std::size_t>(decpt)) + "." +
             digits.substr(static_cast<std::size_t>(decpt));
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (n > 1) out += "." + digits.substr(1);
  char exp_buf[16];
  std::snprintf(exp_buf, sizeof exp_buf, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  out += exp_buf;
  return out;
}

std::string dump_python_json(const Record& value) {
  std::string out;
  append_value(out, value, 0);
  return out;
}

}  // namespace kelvo::harvester
