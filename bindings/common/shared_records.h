// A harvest's records kept as the core's own vector, read in place by every binding.
//
// The harvester's native list (`_NativeRecords`, harvester_records.cpp) owns them: a read-only
// sequence whose items become dicts on first access. All bindings are one extension module,
// so the others recognise that type directly (RecordList in convert.h).
#pragma once

#include <Python.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "common/record.h"

namespace kelvo::bind {

struct SharedRecords {
  std::vector<Record> records;
  // Each record's dict, made on first access and kept (a new reference each), so the same
  // object comes back every time; nullptr until then.
  std::vector<PyObject*> objects;

  explicit SharedRecords(std::vector<Record> taken) : records(std::move(taken)), objects(records.size()) {}
  SharedRecords(const SharedRecords&) = delete;
  SharedRecords& operator=(const SharedRecords&) = delete;
  ~SharedRecords() {
    for (PyObject* object : objects) Py_XDECREF(object);
  }
};

// The C++ side of the native list; held by pointer so the Python object can be moved into place.
struct NativeRecords {
  std::unique_ptr<SharedRecords> shared;
  std::size_t size() const { return shared->records.size(); }
};

}  // namespace kelvo::bind
