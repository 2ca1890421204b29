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

// A Playwright Page or Frame, or a double. The harvest reads every document in its own
// coordinates; for a child frame (`child`) Playwright's bounding_box would answer in the
// top page's, so boxes are read in the frame instead (element_box.js).
class PyPageDriver : public harvester::PageDriver {
 public:
  explicit PyPageDriver(nb::object page, bool child = false) : page_(std::move(page)), child_(child) {}
  std::vector<harvester::Handle> query_selector_all(const std::string& selector) override;
  harvester::Handle query_selector(const std::string& selector) override;
  Record evaluate(const std::string& script) override;
  std::string url() override;
  bool browses() override;
  std::vector<harvester::ChildFrame> child_frames() override;
  std::vector<harvester::ChildFrame> child_frames_unplaced() override;
  void place_in_parent(harvester::ChildFrame& frame) override;

 private:
  nb::object page_;
  bool child_;
  int browses_ = -1;  // not asked yet
};

class PyElementHandle : public harvester::ElementHandle {
 public:
  explicit PyElementHandle(nb::object handle, bool in_child_frame = false)
      : handle_(std::move(handle)), in_child_frame_(in_child_frame) {}
  bool is_visible() override;
  bool is_enabled() override;
  std::string inner_text() override;
  std::optional<std::string> get_attribute(const std::string& name) override;
  std::optional<harvester::Box> bounding_box() override;
  Record evaluate(const std::string& script) override;

 private:
  nb::object handle_;
  bool in_child_frame_;
};

}  // namespace kelvo::bind
