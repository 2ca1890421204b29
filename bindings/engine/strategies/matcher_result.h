// A text-matching result as Python sees it, and the instruction as the rules read it,
// shared by the matcher module and the agent's step engine so both read and answer alike. `object_of(ref)` gives the caller's own record.
#pragma once

#include <nanobind/nanobind.h>

#include <climits>
#include <cstdint>
#include <string>

#include "common/convert.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::bind {

// Only the keys resolution reads are taken from the instruction, so anything else the
// caller keeps in it is left alone.
inline Record instruction_record(nanobind::handle value) {
  nb::dict instruction = require_dict(value, "parsed_instruction");
  Record out = Record::object();
  for (const char* key : {"action", "target", "value", "ordinal"}) {
    PyObject* item = PyDict_GetItemString(instruction.ptr(), key);
    if (!item) continue;
    std::string path = std::string("parsed_instruction['") + key + "']";
    bool textual = std::string(key) == "action" || std::string(key) == "target";
    if (textual && !PyUnicode_Check(item) && item != Py_None) {
      raise_type_error(path.c_str(), "str or None", item);
    }
    if (std::string(key) == "ordinal" && PyLong_Check(item) && !PyBool_Check(item)) {
      // Far past either end an ordinal means the same as the end itself.
      int overflow = 0;
      long long ordinal = PyLong_AsLongLongAndOverflow(item, &overflow);
      if (overflow) ordinal = overflow > 0 ? LLONG_MAX : LLONG_MIN;
      out[key] = static_cast<std::int64_t>(ordinal);
      continue;
    }
    out[key] = to_record(item, path.c_str());
  }
  return out;
}


template <class ObjectOf>
nanobind::dict resolution_dict(const matcher::ResolutionResult& result, ObjectOf&& object_of) {
  namespace nb = nanobind;
  nb::dict out;
  const bool verification = result.shape == matcher::Shape::verification;
  out["resolved"] = nb::bool_(result.resolved);
  if (verification) out["verified"] = from_record(result.verified);
  out["confidence"] = nb::float_(result.confidence());
  out["element"] = result.element ? object_of(*result.element) : nb::none();
  if (verification) out["state"] = from_record(result.state);
  if (result.shape == matcher::Shape::extraction) {
    out["extracted"] = nb::str(result.extracted.data(), result.extracted.size());
  }
  nb::list candidates;
  for (const auto& ref : result.candidates) candidates.append(object_of(ref));
  out["candidates"] = candidates;
  return out;
}

}  // namespace kelvo::bind
