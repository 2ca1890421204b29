// Conversions between Python's plain values (dict, list, str, int, float, bool, None) and
// the core's Record, shared by every extension module.
//
// Identity: the core refers to input records by their position in the input list; a
// binding keeps the caller's own objects (RecordList::objects) and hands those back,
// so results hold the very records the caller passed, never copies.
#pragma once

#include <nanobind/nanobind.h>

#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::bind {

namespace nb = nanobind;

// Python value -> Record. Raises TypeError naming `argument` (and the path inside it)
// for anything that is not a plain value, or a dict key that is not a str.
Record to_record(nb::handle value, const char* argument);

// Record -> new Python objects (dicts keep key order; ints stay int, floats float).
nb::object from_record(const Record& record);

// A list argument of records, converted once, with the caller's objects kept for identity.
struct RecordList {
  std::vector<nb::object> objects;
  std::vector<Record> records;
};

// `value` must be a list (TypeError naming `argument` otherwise); None is accepted as
// an empty list only when `none_is_empty` is set.
RecordList to_record_list(nb::handle value, const char* argument, bool none_is_empty = false);

// The same, for lists of element records: every member must be a dict (it is read by key).
RecordList to_dict_list(nb::handle value, const char* argument, bool none_is_empty = false);

// A list argument whose members are read by `read_one(item, index)` (a module that reads
// only the keys it needs), with the caller's objects kept for identity.
template <class ReadOne>
RecordList read_record_list(nb::handle list, const char* argument, ReadOne&& read_one);

// Argument checks with messages in one style: "<argument> must be <expected>, not <type>".
[[noreturn]] void raise_type_error(const char* argument, const char* expected, nb::handle got);
std::string require_str(nb::handle value, const char* argument);
nb::dict require_dict(nb::handle value, const char* argument);
nb::list require_list(nb::handle value, const char* argument);

template <class ReadOne>
RecordList read_record_list(nb::handle list, const char* argument, ReadOne&& read_one) {
  if (!PyList_Check(list.ptr())) raise_type_error(argument, "a list", list);
  RecordList out;
  const Py_ssize_t n = PyList_GET_SIZE(list.ptr());
  out.objects.reserve(static_cast<std::size_t>(n));
  out.records.reserve(static_cast<std::size_t>(n));
  for (Py_ssize_t i = 0; i < n; ++i) {
    nb::handle item = PyList_GET_ITEM(list.ptr(), i);
    out.records.push_back(read_one(item, static_cast<std::size_t>(i)));
    out.objects.push_back(nb::borrow(item));
  }
  return out;
}

}  // namespace kelvo::bind
