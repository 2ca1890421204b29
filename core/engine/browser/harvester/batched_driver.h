// BatchedDriver: a PageDriver that answers a whole harvest from one page-script
// evaluation. On first use it asks the live driver once for every fact the plan names
// (queries, verdicts, texts, attributes, boxes, script results); afterwards each call is
// answered from memory. Whatever the batch could not answer exactly (a selector or
// script outside the plan, a value that would not survive JSON unchanged) is asked of
// the live driver, so the answers stay those of the live driver, only fewer calls.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// What the harvest is going to ask, declared up front.
struct BatchPlan {
  // Which nodes an entry applies to: the nodes of plan selector `selector`, optionally
  // only those whose lower-case tag name is one of `tags`.
  struct Target {
    std::size_t selector = 0;
    std::optional<std::vector<std::string>> tags;
    bool visible_only = false;  // only nodes the batch finds visible
  };
  // An element script (`el => ...`), run on every node of its targets. `batch_text`, when
  // set, is a faster script giving the same results over a whole page (it may keep
  // state between elements); the comparison tests hold the two against each other.
  struct ElementScript {
    std::string text;
    std::vector<Target> on;
    std::string batch_text;
  };
  struct PageScript {
    std::string text;
    std::string batch_text;
  };
  // A selector built from an attribute value (prefix + value + suffix) and asked of the
  // page with query_selector, for every target node carrying the attribute.
  struct Lookup {
    std::string attribute, prefix, suffix;
    std::vector<Target> on;
  };

  std::vector<std::string> selectors;   // answered for query_selector(_all)
  std::vector<std::string> attributes;  // answered for get_attribute, on every node
  std::vector<std::size_t> enabled_on;  // selectors whose nodes get the enabled verdict
  // Nodes that get text, box and attributes (tags are not used here); every node gets
  // its visibility verdict.
  std::vector<Target> details;
  std::vector<ElementScript> element_scripts;
  std::vector<Lookup> lookups;
  std::vector<PageScript> page_scripts;  // answered for page evaluate

  Record to_record() const;
};

// The page-script text that gathers `plan` in one evaluation.
std::string batch_script(const BatchPlan& plan);

class BatchedDriver : public PageDriver {
 public:
  // `live` must outlive this driver and the handles it returns.
  BatchedDriver(PageDriver& live, BatchPlan plan);
  // A driver that keeps `live` alive itself (a child frame's).
  BatchedDriver(std::shared_ptr<PageDriver> live, BatchPlan plan);
  ~BatchedDriver() override;

  std::vector<Handle> query_selector_all(const std::string& selector) override;
  Handle query_selector(const std::string& selector) override;
  Record evaluate(const std::string& script) override;
  std::string url() override;
  bool browses() override;
  // The live driver's frames, each batched with the same plan.
  std::vector<ChildFrame> child_frames() override;

  // True once the batch was read; false before first use or when it failed and every
  // call goes to the live driver.
  bool batched() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace kelvo::harvester
