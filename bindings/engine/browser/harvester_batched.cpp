// The batched driver seen from Python, with the same operations as a Playwright page:
// tests and benchmarks hold its answers against the page's own, call by call.
#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "common/convert.h"
#include "engine/browser/harvester/batched_driver.h"
#include "engine/browser/harvester/harvest_plan.h"
#include "engine/browser/harvester_driver.h"

namespace nb = nanobind;
using namespace kelvo;
using namespace kelvo::harvester;

namespace {

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
//  "element_scripts": [{"text", "on", "model"?}],
//  "lookups": [{"attribute", "prefix", "suffix", "on"}],
//  "page_scripts": [text or {"text", "model"?}]}
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
        {nb::cast<std::string>(entry["text"]), targets_of(entry["on"]), optional_text(entry, "model")});
  }
  for (nb::handle lookup : plan["lookups"]) {
    out.lookups.push_back({nb::cast<std::string>(lookup["attribute"]),
                           nb::cast<std::string>(lookup["prefix"]), nb::cast<std::string>(lookup["suffix"]),
                           targets_of(lookup["on"])});
  }
  for (nb::handle script : plan["page_scripts"]) {
    if (PyUnicode_Check(script.ptr())) {
      out.page_scripts.push_back({nb::cast<std::string>(script), {}});
    } else {
      nb::dict entry = bind::require_dict(script, "page script");
      out.page_scripts.push_back({nb::cast<std::string>(entry["text"]), optional_text(entry, "model")});
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
  bind::PyPageDriver live;
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
  // The page model of a full harvest as an init script, installed before the page's own
  // scripts run (each new document of a context gets it).
  m.def("_install_script", [] { return model_scripts(harvest_plan()).install; });
  // A page script of the agent's, run with the built-ins as they were before the page's
  // scripts (see model_guarded_call).
  m.def(
      "_guarded_script",
      [](const std::string& script) { return model_guarded_call(model_scripts(harvest_plan()), script); },
      nb::arg("script"));
  // The texts that install and ask the model of `plan` (see ModelScripts), for tests and
  // benchmarks.
  m.def(
      "_model_scripts",
      [](nb::handle plan) {
        ModelScripts texts = model_scripts(plan_of(plan));
        nb::dict out;
        out["install"] = texts.install;
        out["harvest"] = texts.harvest;
        out["ask"] = texts.ask;
        out["state"] = texts.state;
        out["replaced"] = texts.replaced;
        return out;
      },
      nb::arg("plan"));
  // The page's change state now, None when its document has no model installed: equal
  // to a harvest's `_state`, the page has not changed since that harvest.
  m.def(
      "_page_state",
      [](nb::object page) -> nb::object {
        bind::PyPageDriver driver(page);
        Record state = driver.evaluate(model_scripts(harvest_plan()).state);
        return state.is_string() ? bind::from_record(state) : nb::none();
      },
      nb::arg("page"));
  // The plan of a full harvest, in the dict form _BatchedPage takes, for tests and
  // benchmarks; "text" is the script the harvest asks, "model" the page model's own version of it.
  m.def("_harvest_plan", [] { return bind::from_record(harvest_plan().to_record()); });
}

}  // namespace kelvo::bind
