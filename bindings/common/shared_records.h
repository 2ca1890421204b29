// A harvest's records kept as the core's own vector and shared by every extension module.
//
// The harvester module makes the Python object that owns them (a read-only sequence whose
// items become dicts on first access); the other modules read the same vector in place.
// Each module is its own shared object (in the wheel each carries its own copy of the core
// and of nanobind), so a module does not know another's Python types: it finds the records
// through a capsule of a fixed name, which the owning object hands out as an attribute.
// Every module is built from these headers by one compiler in one build, so they agree on
// the layout.
#pragma once

#include <Python.h>

#include <cstddef>
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

// The attribute of the owning object that gives the capsule, and the capsule's name; the
// version changes whenever SharedRecords does.
inline constexpr const char kSharedRecordsAttribute[] = "_kelvo_records";
inline constexpr const char kSharedRecordsCapsule[] = "kelvo_web.shared_records.1";

}  // namespace kelvo::bind
