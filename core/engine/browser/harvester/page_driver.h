// The browser as the harvester sees it: exactly the page and element-handle operations
// the harvest needs. The Python binding adapts a Playwright sync Page (or any object
// offering the same operations); a batched driver answers the same questions from one
// page-script evaluation. Every operation may throw DriverError.
#pragma once

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

class PageDriver {
 public:
  virtual ~PageDriver() = default;
  virtual std::vector<Handle> query_selector_all(const std::string& selector) = 0;
  virtual Handle query_selector(const std::string& selector) = 0;  // null when none
  virtual Record evaluate(const std::string& script) = 0;
  virtual std::string url() = 0;
};

}  // namespace kelvo::harvester
