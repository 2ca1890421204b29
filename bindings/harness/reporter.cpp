// Private module behind kelvo_web.harness.reporter: the Python hook object collects the
// results, this renders the page.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include "common/convert.h"
#include "harness/reporter/reporter.h"
#include "native.h"

namespace nb = nanobind;
using kelvo::Record;

namespace {

struct StepKey {
  const char* name;
  bool optional;
};
const StepKey kStepKeys[] = {{"status", false},
                             {"instruction", false},
                             {"message", true},
                             {"screenshot", true},
                             {"resolved_by", true}};
const char* const kTimeKeys[] = {"started", "duration"};
const char* const kElementKeys[] = {"tag", "text", "role"};

// Text of any value as str() gives it; a value whose str() fails still shows.
Record text_record(PyObject* value, const char* key) {
  if (value == Py_None) return Record(nullptr);
  try {
    return Record(kelvo::bind::require_str(nb::str(nb::handle(value)), key));
  } catch (const std::exception&) {
    if (PyErr_Occurred()) PyErr_Clear();
    return Record("<unprintable value>");
  }
}

// The timing and element keys a step may add; anything of another kind is left out.
void add_step_details(Record& out, PyObject* dict) {
  for (const char* key : kTimeKeys) {
    PyObject* value = PyDict_GetItemString(dict, key);  // borrowed
    if (value && !PyBool_Check(value) && (PyFloat_Check(value) || PyLong_Check(value))) {
      const double seconds = PyFloat_AsDouble(value);
      if (PyErr_Occurred())
        PyErr_Clear();
      else
        out[key] = seconds;
    }
  }
  PyObject* element = PyDict_GetItemString(dict, "element");  // borrowed
  if (element && PyDict_Check(element)) {
    Record described = Record::object();
    for (const char* key : kElementKeys) {
      PyObject* value = PyDict_GetItemString(element, key);
      if (value && value != Py_None) described[key] = text_record(value, key);
    }
    out["element"] = std::move(described);
  }
}

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
    out[key] = text_record(value, key);
  }
  add_step_details(out, dict.ptr());
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

void bind_reporter(nanobind::module_& m) {
  m.doc() = "Renders the HTML test report.";

  m.def(
      "render",
      [](nb::handle results, nb::handle steps, nb::handle elapsed, nb::handle run) {
        kelvo::bind::RecordList list = kelvo::bind::to_record_list(results, "results");
        if (!PyFloat_Check(elapsed.ptr()) && !PyLong_Check(elapsed.ptr())) {
          kelvo::bind::raise_type_error("elapsed", "a number", elapsed);
        }
        if (!steps.is_none()) kelvo::bind::require_dict(steps, "steps");
        const double seconds = PyFloat_AsDouble(elapsed.ptr());
        kelvo::reporter::RunInfo info;
        if (!run.is_none()) {
          nb::dict run_dict = kelvo::bind::require_dict(run, "run");
          if (run_dict.contains("environment")) {
            info.environment = kelvo::bind::to_record(run_dict["environment"], "run['environment']");
          }
          if (run_dict.contains("interrupted")) {
            info.interrupted = PyObject_IsTrue(run_dict["interrupted"].ptr()) == 1;
          }
        }
        Record steps_by_nodeid = steps_for(list.records(), steps);
        std::string html;
        {
          nb::gil_scoped_release unlocked;
          html = kelvo::reporter::render_report(list.records(), steps_by_nodeid, seconds, info);
        }
        return html;
      },
      nb::arg("results"), nb::arg("steps").none(), nb::arg("elapsed"), nb::arg("run").none() = nb::none(),
      "The complete HTML document for `results` (result records), `steps` (node id to "
      "step records, or None), `elapsed` (the run's seconds) and `run` (None, or a dict "
      "with `environment`, a list of [name, value] pairs, and `interrupted`).");
}
