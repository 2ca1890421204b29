// The native list: a harvest's records kept in the core, seen from Python as a read-only
// sequence whose items become dicts on first access (the same dict every time after).
// The agent harvests into these, so a step's resolvers read the records in place and only
// the element a result names is ever made into a dict.
#include "engine/browser/harvester_records.h"

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include <memory>
#include <string>

#include "common/convert.h"
#include "common/shared_records.h"

namespace nb = nanobind;

namespace kelvo::bind {

namespace {

struct NativeRecordsIterator {
  nb::object list;
  SharedRecords* shared;
  std::size_t next = 0;
};

nb::object item(NativeRecords& self, Py_ssize_t index) {
  const auto n = static_cast<Py_ssize_t>(self.size());
  if (index < 0) index += n;
  if (index < 0 || index >= n) throw nb::index_error("native list index out of range");
  return shared_object(*self.shared, static_cast<std::size_t>(index));
}

// The dicts made so far may be changed by their holders and so may come to refer back to
// the list: the collector must see them.
int traverse(PyObject* self, visitproc visit, void* arg) {
#if PY_VERSION_HEX >= 0x03090000
  Py_VISIT(Py_TYPE(self));
#endif
  if (!nb::inst_ready(self)) return 0;
  NativeRecords* list = nb::inst_ptr<NativeRecords>(self);
  if (list->shared) {
    for (PyObject* object : list->shared->objects) Py_VISIT(object);
  }
  return 0;
}

int clear(PyObject* self) {
  if (!nb::inst_ready(self)) return 0;
  NativeRecords* list = nb::inst_ptr<NativeRecords>(self);
  if (list->shared) {
    for (PyObject*& object : list->shared->objects) Py_CLEAR(object);
  }
  return 0;
}

PyType_Slot native_slots[] = {{Py_tp_traverse, reinterpret_cast<void*>(traverse)},
                              {Py_tp_clear, reinterpret_cast<void*>(clear)},
                              {0, nullptr}};

}  // namespace

nb::object native_records(Record&& records) {
  std::vector<Record> taken;
  if (records.is_array()) taken = std::move(records.get_ref<Record::array_t&>());
  return nb::cast(NativeRecords{std::make_unique<SharedRecords>(std::move(taken))}, nb::rv_policy::move);
}

void bind_native_records(nb::module_& m) {
  m.def(
      "_native_records",
      [](nb::handle records) {
        RecordList given = to_dict_list(records, "records");
        return native_records(Record(given.take_records()));
      },
      nb::arg("records").none(), "A native list of copies of these element records (a list of dicts).");

  nb::class_<NativeRecordsIterator>(m, "_NativeRecordsIterator")
      .def("__iter__", [](nb::handle self) { return nb::borrow(self); })
      .def("__next__", [](NativeRecordsIterator& it) {
        if (it.next >= it.shared->records.size()) throw nb::stop_iteration();
        return shared_object(*it.shared, it.next++);
      });

  nb::class_<NativeRecords>(m, "_NativeRecords", nb::type_slots(native_slots),
                            "A harvest's records held in the core: a read-only sequence of dicts, each "
                            "made on first access.")
      .def("__len__", &NativeRecords::size)
      .def("__bool__", [](const NativeRecords& self) { return self.size() > 0; })
      .def("__getitem__", &item, nb::arg("index"))
      .def("__iter__",
           [](NativeRecords& self) { return NativeRecordsIterator{nb::find(&self), self.shared.get(), 0}; })
      .def("__repr__", [](const NativeRecords& self) {
        return "<native list of " + std::to_string(self.size()) + " records>";
      });
}

}  // namespace kelvo::bind
