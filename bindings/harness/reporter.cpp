// Private module behind kelvo_web.harness.reporter: the Python hook object collects the
// results, this renders the page.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include "common/convert.h"
#include "harness/reporter/reporter.h"

namespace nb = nanobind;
using kelvo::Record;

namespace {

struct StepKey {
  const char* name;
  bool optional;
};
const StepKey kStepKeys[] = {
    {"status", false}, {"instruction", false}, {"message", true}, {"screenshot", true}};

// One step as the page reads it. Steps come from agents and user code, so a value of
// any kind is taken by its text (as str() gives it) rather than failing the report;
// optional boxes that would be empty are left out here, as the page would leave them.
Record step_record(nb::handle step) {
  if (!PyDict_Check(step.ptr())) return Record(nullptr);
  nb::dict dict = nb::borrow<nb::dict>(step);
  Record out = Record::object();
  for (const StepKey& step_key : kStepKeys) {
    const char* key = step_key.name;
    PyObject* value = PyDict_GetItemString(dict.ptr(), key);  // borrowed
    if (!value) continue;
    if (step_key.optional && PyObject_IsTrue(value) != 1) {
      if (PyErr_Occurred()) PyErr_Clear();
      continue;
    }
    if (value == Py_None) {
      out[key] = nullptr;
    } else {
      try {
        out[key] = kelvo::bind::require_str(nb::str(nb::handle(value)), key);
      } catch (const std::exception&) {
        out[key] = "<unprintable value>";
      }
    }
  }
  return out;
}

// Only the entries of reported tests are read, one step at a time.
Record steps_for(const std::vector<Record>& results, nb::handle steps) {
  Record out = Record::object();
  if (steps.is_none()) return out;
  nb::dict map = kelvo::bind::require_dict(steps, "steps");
  for (const Record& result : results) {
    const std::string nodeid = kelvo::get_string(result, "nodeid");
    nb::str key(nodeid.data(), nodeid.size());
    PyObject* entry = PyDict_GetItemWithError(map.ptr(), key.ptr());  // borrowed
    if (!entry) {
      if (PyErr_Occurred()) throw nb::python_error();
      continue;
    }
    int truthy = PyObject_IsTrue(entry);
    if (truthy < 0) throw nb::python_error();
    if (!truthy) continue;
    Record list = Record::array();
    if (PyList_Check(entry) || PyTuple_Check(entry)) {
      for (nb::handle step : nb::borrow<nb::sequence>(entry)) list.push_back(step_record(step));
    } else {
      list.push_back(Record(nullptr));
    }
    out[nodeid] = std::move(list);
  }
  return out;
}

}  // namespace

NB_MODULE(_reporter, m) {
  m.doc() = "Renders the HTML test report.";

  m.def(
      "render",
      [](nb::handle results, nb::handle steps, nb::handle elapsed) {
        kelvo::bind::RecordList list = kelvo::bind::to_record_list(results, "results");
        if (!PyFloat_Check(elapsed.ptr()) && !PyLong_Check(elapsed.ptr())) {
          kelvo::bind::raise_type_error("elapsed", "a number", elapsed);
        }
        if (!steps.is_none()) kelvo::bind::require_dict(steps, "steps");
        const double seconds = PyFloat_AsDouble(elapsed.ptr());
        Record steps_by_nodeid = steps_for(list.records, steps);
        std::string html;
        {
          nb::gil_scoped_release unlocked;
          html = kelvo::reporter::render_report(list.records, steps_by_nodeid, seconds);
        }
        return html;
      },
      nb::arg("results"), nb::arg("steps").none(), nb::arg("elapsed"),
      "The complete HTML document for `results` (result records), `steps` (node id to "
      "step records, or None) and `elapsed` (the run's seconds).");
}
