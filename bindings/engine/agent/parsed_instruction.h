// A parsed instruction as Python sees it, and text crossing as code points (not UTF-8), so
// every str, lone surrogates included, reaches the core and comes back unchanged. Shared by
// the grammar module and the agent's step engine, which parses the same way.
#pragma once

#include <nanobind/nanobind.h>

#include <optional>
#include <string>

#include "common/convert.h"
#include "engine/agent/grammar/grammar.h"

namespace kelvo::bind {

namespace nb = nanobind;

inline std::u32string code_points(nb::handle value, const char* argument) {
  PyObject* p = value.ptr();
  if (!PyUnicode_Check(p)) raise_type_error(argument, "str", value);
  const Py_ssize_t n = PyUnicode_GET_LENGTH(p);
  const int kind = PyUnicode_KIND(p);
  const void* data = PyUnicode_DATA(p);
  std::u32string out(static_cast<std::size_t>(n), U'\0');
  for (Py_ssize_t i = 0; i < n; ++i) out[i] = PyUnicode_READ(kind, data, i);
  return out;
}

inline nb::str to_str(std::u32string_view text) {
  return nb::steal<nb::str>(
      PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, text.data(), static_cast<Py_ssize_t>(text.size())));
}

inline nb::object text_or_none(const std::optional<std::u32string>& value) {
  if (!value) return nb::none();
  return to_str(*value);
}

inline nb::dict to_dict(const grammar::ParsedInstruction& parsed) {
  nb::dict out;
  out["action"] = nb::str(parsed.action.data(), parsed.action.size());
  out["target"] = text_or_none(parsed.target);
  out["value"] = text_or_none(parsed.value);
  if (parsed.ordinal) out["ordinal"] = nb::int_(*parsed.ordinal);
  out["_literal_target"] = nb::bool_(parsed.literal_target);
  return out;
}

}  // namespace kelvo::bind
