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
  // An element script (`el => ...`), run on every node of its targets. `model`, when
  // set, names the page model's own version of the script (scripts/page_model/
  // own_scripts.js): the same results, faster over a whole page and out of reach of the
  // page's replaced built-ins; the comparison tests hold the two against each other.
  struct ElementScript {
    std::string text;
    std::vector<Target> on;
    std::string model;
  };
  struct PageScript {
    std::string text;
    std::string model;
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

// The page model for `plan` is installed once per document, under a name of its own
// (scripts/page_model/install.js); these are the texts that install and ask it.
struct ModelScripts {
  std::string key;      // the name the model is installed under, as a quoted JS string
  std::string install;  // a script installing the model (an init script, or evaluated)
  std::string harvest;  // `() => batch JSON`, installing the model first when needed
  std::string ask;      // `() => batch JSON`, or null when the document has no model yet
  std::string state;    // `() => change state`, or null when the document has no model
  // An expression (not a function): the built-ins the page replaced since the model was
  // installed, one a line, or null without a model. For a channel that needs none of the
  // page's built-ins, when the driver's own evaluation fails on such a page.
  std::string replaced;
};
ModelScripts model_scripts(const BatchPlan& plan);
// `el => ...` running the installed model's own element script `name` on one element.
std::string model_element_call(const ModelScripts& scripts, const std::string& name);
// A function script `script` (called with up to two arguments, as Playwright's evaluate
// calls it) wrapped to run with the built-ins the model found at install put back
// (pristine.js); the guard itself comes as a third argument, for the part of an async
// script after its first await, and the model (or undefined) as a fourth. Where no model
// is installed it runs as it is.
std::string model_guarded_call(const ModelScripts& scripts, const std::string& script);

// The page-script text that gathers `plan` in one evaluation (installing the model).
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
  std::vector<ChildFrame> child_frames_unplaced() override;
  void place_in_parent(ChildFrame& frame) override;
  bool narrowed() const override;

  // True once the batch was read; false before first use or when it failed and every
  // call goes to the live driver.
  bool batched() const;
  // The document's change state the batch was read at (see ModelScripts); empty when
  // no batch was read.
  std::string state() const;

  // A caller's own question asked in the batch's evaluation, so it costs no round trip of
  // its own: `function` is a page-script function text that takes the batch's JSON text and
  // answers it with the caller's answer added under the key "also". Set before first use;
  // asked only where the model is installed already.
  void ask_also(std::string function);
  // Its answer as JSON text; empty when it was not asked, failed, or answered null.
  const std::string& also_answer() const;

  // Read only the nodes a step's words may name (the page model's narrowing.js): `request`
  // is its JSON object; set before first use. Every record read is as a whole reading
  // gives it, but the lists hold only those nodes.
  void narrow_to(std::string request);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace kelvo::harvester
