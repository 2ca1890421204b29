// The browser as the harvester sees it: exactly the page and element-handle operations
// the harvest needs. The Python binding adapts a Playwright sync Page (or any object
// offering the same operations); a batched driver answers the same questions from one
// page-script evaluation. Every operation may throw DriverError.
#pragma once

#include <climits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::harvester {

// A failed driver call: detached element, invalid selector, closed page, or an error
// raised by the Python object behind the driver.
struct DriverError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Box {
  double x = 0, y = 0, width = 0, height = 0;
};

class ElementHandle {
 public:
  virtual ~ElementHandle() = default;
  virtual bool is_visible() = 0;
  virtual bool is_enabled() = 0;
  virtual std::string inner_text() = 0;
  // nullopt when the attribute is absent; "" when present without a value.
  virtual std::optional<std::string> get_attribute(const std::string& name) = 0;
  // nullopt when the element has no layout box.
  virtual std::optional<Box> bounding_box() = 0;
  // Runs a script of the form `el => ...` with this element; null Record for a null result.
  virtual Record evaluate(const std::string& script) = 0;
};

using Handle = std::shared_ptr<ElementHandle>;

class PageDriver;

// A frame inside a driver's document (an iframe's or frame's document), as its parent
// sees it.
struct ChildFrame {
  std::shared_ptr<PageDriver> driver;  // null when the frame could not be reached
  std::string url;
  std::string error;    // why the frame could not be reached or read; empty when it could
  double x = 0, y = 0;  // its content box's top-left, in the parent's viewport
  std::string path;     // the frame element's path in the parent (as the xpath script writes it)
  long rank = LONG_MAX;  // its frame element's place among the parent's, in composed order
  // False: x, y, path and rank are not read yet (PageDriver::place_in_parent reads them).
  bool placed = true;
};

class PageDriver {
 public:
  virtual ~PageDriver() = default;
  virtual std::vector<Handle> query_selector_all(const std::string& selector) = 0;
  virtual Handle query_selector(const std::string& selector) = 0;  // null when none
  virtual Record evaluate(const std::string& script) = 0;
  virtual std::string url() = 0;
  // Whether a real browser page (or frame) is behind the driver; only then are its
  // frames read and page-wide notes asked of it (a test double need not answer them).
  virtual bool browses() { return false; }
  // The frames of this document in document order, each to be harvested on its own.
  virtual std::vector<ChildFrame> child_frames() { return {}; }
  // The same frames, not yet placed where a driver can tell them apart without reading
  // where each sits (that costs round trips per frame): a narrowed reading places only
  // the frames that hold something it read.
  virtual std::vector<ChildFrame> child_frames_unplaced() { return child_frames(); }
  // For the driver of a child frame: reads where its frame element places it into
  // `frame` (x, y, path, rank, placed), or sets `frame.error` (the caller then drops the
  // frame's driver, this one).
  virtual void place_in_parent(ChildFrame& frame) { (void)frame; }
  // Whether this driver reads only the nodes a step's words may name.
  virtual bool narrowed() const { return false; }
};

}  // namespace kelvo::harvester
