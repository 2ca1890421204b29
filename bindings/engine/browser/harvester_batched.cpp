// The batched driver seen from Python, with the same operations as a Playwright page:
// tests and benchmarks hold its answers against the page's own, call by call.
#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "common/convert.h"
#include "engine/browser/harvester/batched_driver.h"

namespace nb = nanobind;
using namespace kelvo;
using namespace kelvo::harvester;

namespace {

// A Python exception raised by the live page becomes a driver failure.
template <class Call>
auto live_call(Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (nb::python_error& e) {
    if (!e.matches(PyExc_Exception)) throw;
    throw DriverError(e.what());
  }
}

class LiveHandle : public ElementHandle {
 public:
  explicit LiveHandle(nb::object handle) : handle_(std::move(handle)) {}
  bool is_visible() override { return live_call([&] { return nb::cast<bool>(handle_.attr("is_visible")()); }); }
  bool is_enabled() override { return live_call([&] { return nb::cast<bool>(handle_.attr("is_enabled")()); }); }
  std::string inner_text() override {
    return live_call([&] { return nb::cast<std::string>(handle_.attr("inner_text")()); });
  }
  std::optional<std::string> get_attribute(const std::string& name) override {
    return live_call([&] { return nb::cast<std::optional<std::string>>(handle_.attr("get_attribute")(name)); });
  }
  std::optional<Box> bounding_box() override {
    return live_call([&]() -> std::optional<Box> {
      nb::object box = handle_.attr("bounding_box")();
      if (box.is_none()) return std::nullopt;
      return Box{nb::cast<double>(box["x"]), nb::cast<double>(box["y"]), nb::cast<double>(box["width"]),
                 nb::cast<double>(box["height"])};
    });
  }
  Record evaluate(const std::string& script) override {
    return live_call([&] { return bind::to_record(handle_.attr("evaluate")(script), "evaluate"); });
  }

 private:
  nb::object handle_;
};

class LivePage : public PageDriver {
 public:
  explicit LivePage(nb::object page) : page_(std::move(page)) {}
  std::vector<Handle> query_selector_all(const std::string& selector) override {
    return live_call([&] {
      std::vector<Handle> out;
      for (nb::handle item : page_.attr("query_selector_all")(selector)) {
        out.push_back(std::make_shared<LiveHandle>(nb::borrow(item)));
      }
      return out;
    });
  }
  Handle query_selector(const std::string& selector) override {
    return live_call([&]() -> Handle {
      nb::object found = page_.attr("query_selector")(selector);
      return found.is_none() ? nullptr : std::make_shared<LiveHandle>(found);
    });
  }
  Record evaluate(const std::string& script) override {
    return live_call([&] { return bind::to_record(page_.attr("evaluate")(script), "evaluate"); });
  }
  std::string url() override { return live_call([&] { return nb::cast<std::string>(page_.attr("url")); }); }

 private:
  nb::object page_;
};

std::vector<BatchPlan::Target> targets_of(nb::handle list) {
  std::vector<BatchPlan::Target> out;
  for (nb::handle item : list) {
    BatchPlan::Target target;
    target.selector = nb::cast<std::size_t>(item["selector"]);
    nb::dict entry = bind::require_dict(item, "plan target");
    nb::object tags = entry.contains("tags") ? nb::object(entry["tags"]) : nb::none();
    if (!tags.is_none()) target.tags = nb::cast<std::vector<std::string>>(tags);
    if (entry.contains("visible_only")) target.visible_only = nb::cast<bool>(entry["visible_only"]);
    out.push_back(std::move(target));
  }
  return out;
}

std::string optional_text(nb::dict entry, const char* key) {
  return entry.contains(key) ? nb::cast<std::string>(entry[key]) : std::string();
}

// {"selectors": [...], "attributes": [...], "enabled_on": [...], "details": [target...],
//  "element_scripts": [{"text", "on", "batch_text"?}],
//  "lookups": [{"attribute", "prefix", "suffix", "on"}],
//  "page_scripts": [text or {"text", "batch_text"?}]}
BatchPlan plan_of(nb::handle value) {
  nb::dict plan = bind::require_dict(value, "plan");
  BatchPlan out;
  out.selectors = nb::cast<std::vector<std::string>>(plan["selectors"]);
  out.attributes = nb::cast<std::vector<std::string>>(plan["attributes"]);
  if (plan.contains("enabled_on")) out.enabled_on = nb::cast<std::vector<std::size_t>>(plan["enabled_on"]);
  if (plan.contains("details")) out.details = targets_of(plan["details"]);
  for (nb::handle script : plan["element_scripts"]) {
    nb::dict entry = bind::require_dict(script, "element script");
    out.element_scripts.push_back(
        {nb::cast<std::string>(entry["text"]), targets_of(entry["on"]), optional_text(entry, "batch_text")});
  }
  for (nb::handle lookup : plan["lookups"]) {
    out.lookups.push_back({nb::cast<std::string>(lookup["attribute"]), nb::cast<std::string>(lookup["prefix"]),
                           nb::cast<std::string>(lookup["suffix"]), targets_of(lookup["on"])});
  }
  for (nb::handle script : plan["page_scripts"]) {
    if (PyUnicode_Check(script.ptr())) {
      out.page_scripts.push_back({nb::cast<std::string>(script), {}});
    } else {
      nb::dict entry = bind::require_dict(script, "page script");
      out.page_scripts.push_back({nb::cast<std::string>(entry["text"]), optional_text(entry, "batch_text")});
    }
  }
  return out;
}

struct PyBatchedHandle {
  Handle handle;
  bool is_visible() { return handle->is_visible(); }
  bool is_enabled() { return handle->is_enabled(); }
  std::string inner_text() { return handle->inner_text(); }
  std::optional<std::string> get_attribute(const std::string& name) { return handle->get_attribute(name); }
  nb::object bounding_box() {
    auto box = handle->bounding_box();
    if (!box) return nb::none();
    nb::dict out;
    out["x"] = box->x;
    out["y"] = box->y;
    out["width"] = box->width;
    out["height"] = box->height;
    return out;
  }
  nb::object evaluate(const std::string& script) { return bind::from_record(handle->evaluate(script)); }
};

struct PyBatchedPage {
  PyBatchedPage(nb::object page, nb::handle plan)
      : live(std::move(page)), driver(std::make_unique<BatchedDriver>(live, plan_of(plan))) {}
  LivePage live;
  std::unique_ptr<BatchedDriver> driver;

  std::vector<PyBatchedHandle> query_selector_all(const std::string& selector) {
    std::vector<PyBatchedHandle> out;
    for (auto& handle : driver->query_selector_all(selector)) out.push_back({handle});
    return out;
  }
  std::optional<PyBatchedHandle> query_selector(const std::string& selector) {
    Handle found = driver->query_selector(selector);
    if (!found) return std::nullopt;
    return PyBatchedHandle{found};
  }
  nb::object evaluate(const std::string& script) { return bind::from_record(driver->evaluate(script)); }
};

}  // namespace

namespace kelvo::bind {

void bind_batched(nb::module_& m) {
  nb::class_<PyBatchedHandle>(m, "_BatchedHandle")
      .def("is_visible", &PyBatchedHandle::is_visible)
      .def("is_enabled", &PyBatchedHandle::is_enabled)
      .def("inner_text", &PyBatchedHandle::inner_text)
      .def("get_attribute", &PyBatchedHandle::get_attribute)
      .def("bounding_box", &PyBatchedHandle::bounding_box)
      .def("evaluate", &PyBatchedHandle::evaluate);
  nb::class_<PyBatchedPage>(m, "_BatchedPage")
      .def(nb::init<nb::object, nb::handle>(), nb::arg("page"), nb::arg("plan"))
      .def("query_selector_all", &PyBatchedPage::query_selector_all)
      .def("query_selector", &PyBatchedPage::query_selector)
      .def("evaluate", &PyBatchedPage::evaluate)
      .def_prop_ro("url", [](PyBatchedPage& p) { return p.driver->url(); })
      .def_prop_ro("batched", [](PyBatchedPage& p) { return p.driver->batched(); });
  m.def("_batch_script", [](nb::handle plan) { return batch_script(plan_of(plan)); }, nb::arg("plan"));
}

}  // namespace kelvo::bind
