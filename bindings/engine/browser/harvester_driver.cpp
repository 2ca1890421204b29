#include "engine/browser/harvester_driver.h"

#include <nanobind/stl/string.h>

#include <algorithm>
#include <climits>

#include "common/convert.h"
#include "harvester_scripts.h"

namespace kelvo::bind {

namespace {

using harvester::DriverError;

// Runs one call into Python. An ordinary exception becomes a driver failure; an
// interrupt (KeyboardInterrupt, SystemExit) is not a page problem and ends the harvest.
template <class Call>
auto call_python(const char* operation, Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (nb::python_error& e) {
    if (e.matches(PyExc_Exception)) throw PyDriverError(std::move(e));
    throw;
  } catch (const nb::builtin_exception& e) {
    throw DriverError(std::string(operation) + ": " + e.what());
  } catch (const nb::cast_error&) {
    throw DriverError(std::string(operation) + ": unexpected result");
  }
}

[[noreturn]] void wrong_result(const char* operation, const char* expected, nb::handle got) {
  throw DriverError(std::string(operation) + " returned " + Py_TYPE(got.ptr())->tp_name + ", expected " +
                    expected);
}

std::string text_of(nb::handle value, const char* operation) {
  if (!PyUnicode_Check(value.ptr())) wrong_result(operation, "str", value);
  return require_str(value, operation);
}

bool truth_of(nb::handle value) {
  int truth = PyObject_IsTrue(value.ptr());
  if (truth < 0) throw nb::python_error();
  return truth == 1;
}

double number_in(nb::dict box, const char* key, bool missing_is_zero) {
  if (!box.contains(key)) {
    if (missing_is_zero) return 0;
    throw DriverError(std::string("bounding_box returned a record without \"") + key + "\"");
  }
  nb::object value = box[key];
  if (PyBool_Check(value.ptr()) || !(PyFloat_Check(value.ptr()) || PyLong_Check(value.ptr()))) {
    wrong_result("bounding_box", "numbers", value);
  }
  return PyFloat_AsDouble(value.ptr());
}

}  // namespace

std::string PyDriverError::describe(const nb::python_error& error) {
  std::string out = Py_TYPE(error.value().ptr())->tp_name;
  PyObject* message = PyObject_Str(error.value().ptr());
  if (message) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(message, &size);
    if (text) out += ": " + std::string(text, static_cast<std::size_t>(size));
    Py_DECREF(message);
  }
  PyErr_Clear();
  return out;
}

std::vector<harvester::Handle> PyPageDriver::query_selector_all(const std::string& selector) {
  return call_python("query_selector_all", [&] {
    nb::object found = page_.attr("query_selector_all")(selector);
    std::vector<harvester::Handle> handles;
    for (nb::handle item : found) {
      handles.push_back(std::make_shared<PyElementHandle>(nb::borrow(item), child_));
    }
    return handles;
  });
}

harvester::Handle PyPageDriver::query_selector(const std::string& selector) {
  return call_python("query_selector", [&]() -> harvester::Handle {
    nb::object found = page_.attr("query_selector")(selector);
    if (found.is_none()) return nullptr;
    return std::make_shared<PyElementHandle>(found, child_);
  });
}

Record PyPageDriver::evaluate(const std::string& script) {
  return call_python("evaluate", [&] { return to_record(page_.attr("evaluate")(script), "evaluate"); });
}

std::string PyPageDriver::url() {
  return call_python("url", [&] {
    nb::object url = page_.attr("url");
    if (PyCallable_Check(url.ptr())) url = url();  // a double may offer url() instead
    return text_of(url, "url");
  });
}

namespace {

bool is_instance(nb::handle object, const char* name) {
  try {
    return nb::isinstance(object, nb::module_::import_("playwright.sync_api").attr(name));
  } catch (nb::python_error&) {
    return false;  // no Playwright here, so no Playwright object
  }
}

// The first line of a Python error's message: Playwright's carry a call log below it.
std::string first_line(nb::python_error& error) {
  std::string text = PyDriverError(std::move(error)).what();
  const auto end = text.find('\n');
  return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

bool PyPageDriver::browses() {
  if (browses_ < 0) browses_ = is_instance(page_, "Page") || is_instance(page_, "Frame");
  return browses_ == 1;
}

// The frames as Playwright lists them, each with its driver: no round trip (Playwright
// keeps the frame tree, addresses and detachment on this side).
std::vector<harvester::ChildFrame> PyPageDriver::child_frames_unplaced() {
  if (!browses()) return {};
  return call_python("child_frames", [&] {
    nb::object frame = is_instance(page_, "Page") ? nb::object(page_.attr("main_frame")) : page_;
    std::vector<harvester::ChildFrame> frames;
    for (nb::handle child : frame.attr("child_frames")) {
      harvester::ChildFrame out;
      out.placed = false;
      try {
        out.url = require_str(child.attr("url"), "frame url");
        if (truth_of(child.attr("is_detached")())) {
          out.error = "it was detached from the page";
        } else {
          out.driver = std::make_shared<PyPageDriver>(nb::borrow(child), true);
        }
      } catch (nb::python_error& e) {
        if (!e.matches(PyExc_Exception)) throw;
        out.driver = nullptr;
        out.error = first_line(e);
      }
      frames.push_back(std::move(out));
    }
    return frames;
  });
}

// Placing a frame costs two small calls besides its harvest: its frame element, and where
// that element places it (frame_place.js), read in the parent document; and the handle's
// release.
void PyPageDriver::place_in_parent(harvester::ChildFrame& out) {
  call_python("frame_place", [&] {
    try {
      nb::object element = page_.attr("frame_element")();
      nb::object place = element.attr("evaluate")(kelvo::scripts::frame_place);
      try {
        element.attr("dispose")();
      } catch (nb::python_error&) {
      }
      nb::dict placed = require_dict(place, "frame place");
      out.x = nb::cast<double>(placed["x"]);
      out.y = nb::cast<double>(placed["y"]);
      out.path = require_str(placed["path"], "frame path");
      out.rank = nb::cast<long>(placed["rank"]);
      out.placed = true;
    } catch (nb::python_error& e) {
      if (!e.matches(PyExc_Exception)) throw;
      out.error = first_line(e);  // the caller drops the driver: this one is running
      out.rank = LONG_MAX;        // frames that cannot be placed go last
    }
  });
}

std::vector<harvester::ChildFrame> PyPageDriver::child_frames() {
  std::vector<harvester::ChildFrame> frames = child_frames_unplaced();
  for (harvester::ChildFrame& frame : frames) {
    if (!frame.driver) continue;
    std::shared_ptr<harvester::PageDriver> driver = frame.driver;
    driver->place_in_parent(frame);
    if (!frame.error.empty()) frame.driver = nullptr;
  }
  std::stable_sort(frames.begin(), frames.end(),
                   [](const harvester::ChildFrame& a, const harvester::ChildFrame& b) { return a.rank < b.rank; });
  return frames;
}

bool PyElementHandle::is_visible() {
  return call_python("is_visible", [&] { return truth_of(handle_.attr("is_visible")()); });
}

bool PyElementHandle::is_enabled() {
  return call_python("is_enabled", [&] { return truth_of(handle_.attr("is_enabled")()); });
}

std::string PyElementHandle::inner_text() {
  return call_python("inner_text", [&] {
    nb::object text = handle_.attr("inner_text")();
    return text.is_none() ? std::string() : text_of(text, "inner_text");
  });
}

std::optional<std::string> PyElementHandle::get_attribute(const std::string& name) {
  return call_python("get_attribute", [&]() -> std::optional<std::string> {
    nb::object value = handle_.attr("get_attribute")(name);
    if (value.is_none()) return std::nullopt;
    return text_of(value, "get_attribute");
  });
}

std::optional<harvester::Box> PyElementHandle::bounding_box() {
  return call_python("bounding_box", [&]() -> std::optional<harvester::Box> {
    nb::object value = in_child_frame_ ? handle_.attr("evaluate")(kelvo::scripts::element_box)
                                       : handle_.attr("bounding_box")();
    if (value.is_none()) return std::nullopt;
    if (!PyDict_Check(value.ptr())) wrong_result("bounding_box", "a dict or None", value);
    nb::dict box = nb::borrow<nb::dict>(value);
    if (box.size() == 0) return std::nullopt;
    return harvester::Box{number_in(box, "x", false), number_in(box, "y", false),
                          number_in(box, "width", true), number_in(box, "height", true)};
  });
}

Record PyElementHandle::evaluate(const std::string& script) {
  return call_python("evaluate", [&] { return to_record(handle_.attr("evaluate")(script), "evaluate"); });
}

}  // namespace kelvo::bind
