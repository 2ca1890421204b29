#include "engine/browser/harvester/batched_driver.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "harvester_scripts.h"

namespace kelvo::harvester {

namespace {

Record targets_record(const std::vector<BatchPlan::Target>& targets) {
  Record out = Record::array();
  for (const auto& target : targets) {
    Record entry = Record::object();
    entry["selector"] = target.selector;
    entry["tags"] = target.tags ? Record(*target.tags) : Record(nullptr);
    entry["visible_only"] = target.visible_only;
    out.push_back(std::move(entry));
  }
  return out;
}

// A batch slot: [value] when the batch holds the answer, {"e": message} when the call
// fails in the page, 0 (or anything else) when the live driver must be asked.
enum class Slot { value, error, ask_live };

Slot slot_kind(const Record& slot) {
  if (slot.is_array() && slot.size() == 1) return Slot::value;
  if (slot.is_object() && slot.contains("e")) return Slot::error;
  return Slot::ask_live;
}

[[noreturn]] void raise(const Record& slot) {
  const Record& message = slot["e"];
  throw DriverError(message.is_string() ? message.get<std::string>() : "page script failed");
}

}  // namespace

Record BatchPlan::to_record() const {
  Record out = Record::object();
  out["selectors"] = selectors;
  out["attributes"] = attributes;
  out["enabled_on"] = enabled_on;
  out["details"] = targets_record(details);
  Record scripts = Record::array();
  for (const auto& script : element_scripts) {
    Record entry = Record::object();
    entry["text"] = script.batch_text.empty() ? script.text : script.batch_text;
    entry["on"] = targets_record(script.on);
    scripts.push_back(std::move(entry));
  }
  out["element_scripts"] = std::move(scripts);
  Record lookup_list = Record::array();
  for (const auto& lookup : lookups) {
    Record entry = Record::object();
    entry["attribute"] = lookup.attribute;
    entry["prefix"] = lookup.prefix;
    entry["suffix"] = lookup.suffix;
    entry["on"] = targets_record(lookup.on);
    lookup_list.push_back(std::move(entry));
  }
  out["lookups"] = std::move(lookup_list);
  Record page_list = Record::array();
  for (const auto& script : page_scripts) {
    Record entry = Record::object();
    entry["text"] = script.batch_text.empty() ? script.text : script.batch_text;
    entry["batch"] = !script.batch_text.empty();
    page_list.push_back(std::move(entry));
  }
  out["page_scripts"] = std::move(page_list);
  return out;
}

std::string batch_script(const BatchPlan& plan) {
  return std::string("() => (") + scripts::batch_harvest + ")(" + plan.to_record().dump() + ")";
}

struct BatchedDriver::State {
  State(PageDriver& live, BatchPlan plan) : live(live), plan(std::move(plan)) {
    for (std::size_t i = 0; i < this->plan.selectors.size(); ++i) selectors.emplace(this->plan.selectors[i], i);
    for (std::size_t i = 0; i < this->plan.element_scripts.size(); ++i) {
      element_scripts.emplace(this->plan.element_scripts[i].text, i);
    }
    for (std::size_t i = 0; i < this->plan.page_scripts.size(); ++i) page_scripts.emplace(this->plan.page_scripts[i].text, i);
    // Attribute names match case-sensitively in the batch; get_attribute lower-cases an
    // HTML element's name first. Lower-case names read the same both ways.
    for (const auto& name : this->plan.attributes) {
      if (std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        attributes_asked.insert(name);
      }
    }
  }

  PageDriver& live;
  BatchPlan plan;
  std::unordered_map<std::string, std::size_t> selectors;
  std::unordered_map<std::string, std::size_t> element_scripts;  // text -> column
  std::unordered_map<std::string, std::size_t> page_scripts;
  std::unordered_set<std::string> attributes_asked;

  bool tried = false;
  bool loaded = false;
  // The batch's columns, one entry per node (see batch_harvest.js).
  std::size_t node_count = 0;
  Record visible, enabled, texts, boxes, attributes, scripts;
  Record queries;
  Record page;
  std::unordered_map<std::string, Record> lookups;
  // Live answers for the same selectors, fetched only when a handle must ask live.
  std::unordered_map<std::string, std::vector<Handle>> live_queries;

  // Reads the batch on first use. Any failure leaves every answer to the live driver:
  // slower, never different.
  bool ready() {
    if (tried) return loaded;
    tried = true;
    try {
      Record result = live.evaluate(batch_script(plan));
      if (!result.is_string()) return false;
      Record data = Record::parse(result.get_ref<const std::string&>());
      visible = std::move(data.at("visible"));
      enabled = std::move(data.at("enabled"));
      texts = std::move(data.at("texts"));
      boxes = std::move(data.at("boxes"));
      attributes = std::move(data.at("attributes"));
      scripts = std::move(data.at("scripts"));
      queries = std::move(data.at("queries"));
      page = std::move(data.at("page"));
      for (auto& [selector, found] : data.at("lookups").items()) lookups.emplace(selector, std::move(found));
      node_count = visible.is_array() ? visible.size() : 0;
      loaded = queries.is_array() && page.is_array() && queries.size() == plan.selectors.size() &&
               page.size() == plan.page_scripts.size() && columns_valid() && indices_valid();
    } catch (const DriverError&) {
      loaded = false;
    } catch (const nlohmann::json::exception&) {
      loaded = false;
    } catch (const std::invalid_argument&) {
      loaded = false;
    }
    return loaded;
  }

  const std::vector<Handle>& live_query(const std::string& selector) {
    auto found = live_queries.find(selector);
    if (found == live_queries.end()) found = live_queries.emplace(selector, live.query_selector_all(selector)).first;
    return found->second;
  }

  // Every column holds one entry per node, one column per element script.
  bool columns_valid() const {
    for (const Record* column : {&visible, &enabled, &texts, &boxes, &attributes}) {
      if (!column->is_array() || column->size() != node_count) return false;
    }
    if (!scripts.is_array() || scripts.size() != plan.element_scripts.size()) return false;
    for (const Record& column : scripts) {
      if (!column.is_array() || column.size() != node_count) return false;
    }
    return true;
  }

  // Node indices point into the columns; a batch that says otherwise is not used.
  bool indices_valid() const {
    auto valid = [&](const Record& index) {
      return index.is_number_integer() && index.get<std::int64_t>() >= 0 &&
             static_cast<std::size_t>(index.get<std::int64_t>()) < node_count;
    };
    for (const Record& found : queries) {
      if (!found.is_array()) continue;
      for (const Record& index : found) if (!valid(index)) return false;
    }
    for (const auto& [selector, answer] : lookups) {
      if (answer.is_number_integer() && answer.get<std::int64_t>() != -1 && !valid(answer)) return false;
    }
    return true;
  }
};

namespace {

// One node of the batch. It answers from the batch; a question the batch left open goes
// to the live handle of the same node, found again by the query that produced it.
class BatchedHandle : public ElementHandle {
 public:
  BatchedHandle(std::shared_ptr<BatchedDriver::State> state, std::size_t node, std::string selector,
                std::size_t position, std::size_t count, bool lookup)
      : state_(std::move(state)), node_(node), selector_(std::move(selector)), position_(position),
        count_(count), lookup_(lookup) {}

  bool is_visible() override {
    const Record& visible = state_->visible[node_];
    if (visible.is_boolean()) return visible.get<bool>();
    return live().is_visible();
  }

  bool is_enabled() override {
    const Record& enabled = state_->enabled[node_];
    if (enabled.is_boolean()) return enabled.get<bool>();
    if (slot_kind(enabled) == Slot::error) raise(enabled);
    return live().is_enabled();
  }

  std::string inner_text() override {
    const Record& text = state_->texts[node_];
    if (text.is_string()) return text.get<std::string>();
    if (slot_kind(text) == Slot::error) raise(text);
    return live().inner_text();
  }

  // Attributes travel as [name, value, ...]; a value of 0 is left to the live page.
  std::optional<std::string> get_attribute(const std::string& name) override {
    const Record& pairs = state_->attributes[node_];
    if (!state_->attributes_asked.count(name) || !pairs.is_array()) return live().get_attribute(name);
    for (std::size_t k = 0; k + 1 < pairs.size(); k += 2) {
      if (!pairs[k].is_string() || pairs[k].get_ref<const std::string&>() != name) continue;
      if (pairs[k + 1].is_string()) return pairs[k + 1].get<std::string>();
      return live().get_attribute(name);
    }
    return std::nullopt;
  }

  std::optional<Box> bounding_box() override {
    const Record& box = state_->boxes[node_];
    if (box.is_null()) return std::nullopt;
    if (box.is_array() && box.size() == 4 &&
        std::all_of(box.begin(), box.end(), [](const Record& n) { return n.is_number(); })) {
      return Box{box[0].get<double>(), box[1].get<double>(), box[2].get<double>(), box[3].get<double>()};
    }
    if (slot_kind(box) == Slot::error) raise(box);
    return live().bounding_box();
  }

  // A script's cell: a bare string, boolean or null is the answer itself, [value] any
  // other answer, {"e": message} a failure, 0 a question for the live page.
  Record evaluate(const std::string& script) override {
    auto column = state_->element_scripts.find(script);
    if (column != state_->element_scripts.end()) {
      const Record& cell = state_->scripts[column->second][node_];
      if (cell.is_string() || cell.is_boolean() || cell.is_null()) return cell;
      switch (slot_kind(cell)) {
        case Slot::value: return cell[0];
        case Slot::error: raise(cell);
        case Slot::ask_live: break;
      }
    }
    return live().evaluate(script);
  }

 private:
  ElementHandle& live() {
    if (!live_) {
      if (lookup_) {
        live_ = state_->live.query_selector(selector_);
      } else {
        const auto& all = state_->live_query(selector_);
        // A different count means the page changed since the batch; the node cannot be
        // matched to a live handle any more.
        if (all.size() == count_) live_ = all[position_];
      }
      if (!live_) throw DriverError("element is no longer on the page");
    }
    return *live_;
  }

  std::shared_ptr<BatchedDriver::State> state_;
  std::size_t node_;
  std::string selector_;
  std::size_t position_, count_;
  bool lookup_;
  Handle live_;
};

}  // namespace

BatchedDriver::BatchedDriver(PageDriver& live, BatchPlan plan)
    : state_(std::make_shared<State>(live, std::move(plan))) {}

BatchedDriver::~BatchedDriver() = default;

bool BatchedDriver::batched() const { return state_->tried && state_->loaded; }

std::vector<Handle> BatchedDriver::query_selector_all(const std::string& selector) {
  auto index = state_->selectors.find(selector);
  if (index == state_->selectors.end() || !state_->ready()) return state_->live.query_selector_all(selector);
  const Record& found = state_->queries[index->second];
  if (slot_kind(found) == Slot::error) raise(found);
  if (!found.is_array()) return state_->live.query_selector_all(selector);
  std::vector<Handle> out;
  out.reserve(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    out.push_back(std::make_shared<BatchedHandle>(state_, found[i].get<std::size_t>(), selector, i, found.size(), false));
  }
  return out;
}

Handle BatchedDriver::query_selector(const std::string& selector) {
  if (state_->selectors.count(selector)) {
    auto all = query_selector_all(selector);
    return all.empty() ? nullptr : all.front();
  }
  if (!state_->ready()) return state_->live.query_selector(selector);
  auto found = state_->lookups.find(selector);
  if (found == state_->lookups.end()) return state_->live.query_selector(selector);
  const Record& answer = found->second;
  if (answer.is_number_integer()) {
    const auto node = answer.get<std::int64_t>();
    if (node < 0) return nullptr;
    return std::make_shared<BatchedHandle>(state_, static_cast<std::size_t>(node), selector, 0, 1, true);
  }
  if (slot_kind(answer) == Slot::error) raise(answer);
  return state_->live.query_selector(selector);
}

Record BatchedDriver::evaluate(const std::string& script) {
  auto index = state_->page_scripts.find(script);
  if (index == state_->page_scripts.end() || !state_->ready()) return state_->live.evaluate(script);
  const Record& slot = state_->page[index->second];
  switch (slot_kind(slot)) {
    case Slot::value: return slot[0];
    case Slot::error: raise(slot);
    case Slot::ask_live: break;
  }
  return state_->live.evaluate(script);
}

// The address is the driver's own bookkeeping, not a page question; always live.
std::string BatchedDriver::url() { return state_->live.url(); }

}  // namespace kelvo::harvester
