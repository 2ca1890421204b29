// The page driver over a Python object: a Playwright sync Page and its element handles,
// or any object offering the same operations (a test double, a counting proxy).
#pragma once

#include <nanobind/nanobind.h>

#include <string>

#include "engine/browser/harvester/page_driver.h"

namespace kelvo::bind {

namespace nb = nanobind;

// A driver call that raised a Python exception. It travels through the core like any
// DriverError (dropping one element, or ending the harvest), and the binding re-raises
// the original Python exception when it reaches the caller.
struct PyDriverError : harvester::DriverError {
  explicit PyDriverError(nb::python_error error)
      : harvester::DriverError(describe(error)), error(std::move(error)) {}
  nb::python_error error;

 private:
  // "Type: message" without the traceback, which is costly to format for every
  // element that merely detached.
  static std::string describe(const nb::python_error& error);
};

class PyPageDriver : public harvester::PageDriver {
 public:
  explicit PyPageDriver(nb::object page) : page_(std::move(page)) {}
  std::vector<harvester::Handle> query_selector_all(const std::string& selector) override;
  harvester::Handle query_selector(const std::string& selector) override;
  Record evaluate(const std::string& script) override;
  std::string url() override;

 private:
  nb::object page_;
};

class PyElementHandle : public harvester::ElementHandle {
 public:
  explicit PyElementHandle(nb::object handle) : handle_(std::move(handle)) {}
  bool is_visible() override;
  bool is_enabled() override;
  std::string inner_text() override;
  std::optional<std::string> get_attribute(const std::string& name) override;
  std::optional<harvester::Box> bounding_box() override;
  Record evaluate(const std::string& script) override;

 private:
  nb::object handle_;
};

}  // namespace kelvo::bind
