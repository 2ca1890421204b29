// Conversions between Python's plain values (dict, list, str, int, float, bool, None) and
// the core's Record, shared by every binding.
//
// Identity: the core refers to input records by their position in the input list; a
// binding keeps the caller's own objects (RecordList::object) and hands those back,
// so results hold the very records the caller passed, never copies.
#pragma once

#include <nanobind/nanobind.h>

#include <string>
#include <vector>

#include "common/record.h"
#include "common/shared_records.h"

namespace kelvo::bind {

namespace nb = nanobind;

// Python value -> Record. Raises TypeError naming `argument` (and the path inside it)
// for anything that is not a plain value, or a dict key that is not a str.
Record to_record(nb::handle value, const char* argument);

// Record -> new Python objects (dicts keep key order; ints stay int, floats float).
nb::object from_record(const Record& record);

// A list argument of records: a Python list converted once, with the caller's objects
// kept for identity, or the harvest's native records (shared_records.h), read in place
// and never copied, whose items become dicts only when a result names them.
class RecordList {
 public:
  RecordList() = default;
  // A view of native records; `owner` is the Python object holding them, kept alive here.
  RecordList(SharedRecords* shared, nb::object owner) : shared_(shared), owner_(std::move(owner)) {}

  const std::vector<Record>& records() const { return shared_ ? shared_->records : own_; }
  std::size_t size() const { return records().size(); }
  bool native() const { return shared_ != nullptr; }
  SharedRecords* shared() const { return shared_; }
  // The caller's own object at position i (made from a native record on first use).
  nb::object object(std::size_t i) const;
  // The records for a consumer that keeps them: moved out of a converted list, copied from
  // native records.
  std::vector<Record> take_records();

  void add(Record record, nb::handle object) {
    own_.push_back(std::move(record));
    objects_.push_back(nb::borrow(object));
  }
  void reserve(std::size_t n) {
    own_.reserve(n);
    objects_.reserve(n);
  }

 private:
  std::vector<Record> own_;
  std::vector<nb::object> objects_;
  SharedRecords* shared_ = nullptr;
  nb::object owner_;
};

// The native records `value` holds (a harvest's native list), or nullptr for anything
// else, a Python list included.
SharedRecords* shared_records_of(nb::handle value);

// Whether `value` is a list argument of records: a Python list or a native list.
bool is_record_list(nb::handle value);

// The native records' i-th item as a dict, the same object on every call.
nb::object shared_object(SharedRecords& shared, std::size_t i);

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
  if (!PyList_Check(list.ptr())) {
    if (SharedRecords* shared = shared_records_of(list)) return RecordList(shared, nb::borrow(list));
    raise_type_error(argument, "a list", list);
  }
  RecordList out;
  const Py_ssize_t n = PyList_GET_SIZE(list.ptr());
  out.reserve(static_cast<std::size_t>(n));
  for (Py_ssize_t i = 0; i < n; ++i) {
    nb::handle item = PyList_GET_ITEM(list.ptr(), i);
    out.add(read_one(item, static_cast<std::size_t>(i)), item);
  }
  return out;
}

}  // namespace kelvo::bind
