#include "engine/browser/harvester/batched_driver.h"

#include <simdjson.h>

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

namespace dom = simdjson::dom;
using Type = dom::element_type;

// A batch slot: [value] when the batch holds the answer, {"e": message} when the call
// fails in the page, 0 (or anything else) when the live driver must be asked.
enum class Slot { value, error, ask_live };

Slot slot_kind(dom::element slot) {
  if (slot.is_array() && dom::array(slot).size() == 1) return Slot::value;
  if (slot.is_object() && !dom::object(slot)["e"].error()) return Slot::error;
  return Slot::ask_live;
}

[[noreturn]] void raise(dom::element slot) {
  std::string_view message;
  if (dom::object(slot)["e"].get(message)) throw DriverError("page script failed");
  throw DriverError(std::string(message));
}

// The batch's JSON as a Record, numbers kept as the Record's own parser keeps them
// (a non-negative integer unsigned, any other integer signed, the rest double).
Record to_record(dom::element value) {
  switch (value.type()) {
    case Type::ARRAY: {
      Record out = Record::array();
      for (dom::element item : dom::array(value)) out.push_back(to_record(item));
      return out;
    }
    case Type::OBJECT: {
      Record out = Record::object();
      for (dom::key_value_pair field : dom::object(value))
        out[std::string(field.key)] = to_record(field.value);
      return out;
    }
    case Type::INT64: {
      const std::int64_t number = value.get_int64();
      return number >= 0 ? Record(static_cast<std::uint64_t>(number)) : Record(number);
    }
    case Type::UINT64: return Record(std::uint64_t(value.get_uint64()));
    case Type::DOUBLE: return Record(double(value.get_double()));
    case Type::STRING: return Record(std::string(std::string_view(value.get_string())));
    case Type::BOOL: return Record(bool(value.get_bool()));
    case Type::NULL_VALUE: return Record(nullptr);
  }
  return Record(nullptr);
}

// A column of the batch, one element per node, for lookup by position.
using Column = std::vector<dom::element>;

bool read_column(dom::element value, Column& out) {
  dom::array items;
  if (value.get(items)) return false;
  out.clear();
  out.reserve(items.size());
  for (dom::element item : items) out.push_back(item);
  return true;
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
    entry["text"] = script.text;
    entry["model"] = script.model;
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
    entry["text"] = script.text;
    entry["model"] = script.model;
    page_list.push_back(std::move(entry));
  }
  out["page_scripts"] = std::move(page_list);
  return out;
}

namespace {

// 64-bit FNV-1a: names a model by its text and plan, so another build or plan installs
// beside it instead of answering in its place.
std::string text_hash(const std::string& text) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
  static const char digits[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) out[static_cast<std::size_t>(i)] = digits[hash & 15];
  return out;
}

}  // namespace

ModelScripts model_scripts(const BatchPlan& plan) {
  const std::string plan_json = plan.to_record().dump();
  const std::string bundle = scripts::page_model;
  const std::string key = "'__kelvoPageModel_" + text_hash(bundle + plan_json) + "'";
  const std::string model = "(" + bundle + ")(" + key + ", " + plan_json + ")";
  ModelScripts out;
  out.key = key;
  // A document where the model cannot be installed (an unusual realm) must not see an error
  // of ours: its first harvest tries again and, failing, asks call by call.
  out.install = "(() => { try { " + model + "; } catch (error) {} })();";
  out.harvest = "() => " + model + ".harvest()";
  out.ask =
      "() => { const model = window[" + key + "]; return model === undefined ? null : model.harvest(); }";
  out.state =
      "() => { const model = window[" + key + "]; return model === undefined ? null : model.state(); }";
  out.replaced =
      "(() => { const model = window[" + key + "]; return model === undefined ? null : model.replaced(); })()";
  return out;
}

std::string model_element_call(const ModelScripts& scripts, const std::string& name) {
  return "el => window[" + scripts.key + "].element(" + Record(name).dump() + ", el)";
}

std::string model_guarded_call(const ModelScripts& scripts, const std::string& script) {
  // The function text goes in parentheses: a statement's closing ";" cannot.
  std::string function = script;
  while (!function.empty() && std::string(" \t\r\n;").find(function.back()) != std::string::npos) {
    function.pop_back();
  }
  return "(a, b) => { const model = window[" + scripts.key +
         "]; const guard = model ? model.guarded : (run) => run(); return guard(() => (" + function +
         "\n)(a, b, guard, model)); }";
}

std::string batch_script(const BatchPlan& plan) { return model_scripts(plan).harvest; }

struct BatchedDriver::State {
  State(PageDriver& live, BatchPlan plan) : live(live), plan(std::move(plan)) {
    for (std::size_t i = 0; i < this->plan.selectors.size(); ++i)
      selectors.emplace(this->plan.selectors[i], i);
    for (std::size_t i = 0; i < this->plan.page_scripts.size(); ++i)
      page_scripts.emplace(this->plan.page_scripts[i].text, i);
    // Attribute names match case-sensitively in the batch; get_attribute lower-cases an
    // HTML element's name first. Lower-case names read the same both ways.
    for (const auto& name : this->plan.attributes) {
      if (std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        attributes_asked.insert(name);
      }
    }
  }

  std::shared_ptr<PageDriver> owned;  // set when this state keeps the live driver alive
  PageDriver& live;
  BatchPlan plan;
  std::unordered_map<std::string, std::size_t> selectors;
  // The column of an element script, by its text. A harvest asks a handful of scripts
  // thousands of times; comparing lengths first and then the one text of that length is
  // cheaper than hashing a long script at every call.
  std::optional<std::size_t> script_column(const std::string& script) const {
    for (std::size_t i = 0; i < plan.element_scripts.size(); ++i) {
      const std::string& text = plan.element_scripts[i].text;
      if (text.size() == script.size() && text == script) return i;
    }
    return std::nullopt;
  }
  // What a live handle runs for `script`: once the batch was read (so this document has
  // the model), a script the model has its own version of runs as the model's, out of
  // reach of the page's built-ins; any other script as it is.
  std::string live_script(const std::string& script) const {
    if (!loaded) return script;
    auto column = script_column(script);
    if (!column || plan.element_scripts[*column].model.empty()) return script;
    return model_element_call(model, plan.element_scripts[*column].model);
  }
  std::unordered_map<std::string, std::size_t> page_scripts;
  std::unordered_set<std::string> attributes_asked;

  bool tried = false;
  bool loaded = false;
  std::string state_text;  // the document's change state at the batch
  std::string also;        // the caller's question (see ask_also), and its answer
  std::string also_json;
  std::string narrow;      // a narrowed reading's request as JSON (see narrow_to); empty: the whole page
  ModelScripts model;      // the model's texts, set at the first read
  // The batch as parsed, and its columns of one entry per node (see scripts/page_model);
  // the columns point into the parser's document, which lives as long as this state.
  dom::parser parser;
  std::size_t node_count = 0;
  Column visible, enabled, texts, boxes, attributes;
  std::vector<Column> scripts;
  Column queries, page;
  std::unordered_map<std::string_view, dom::element> lookups;
  // Live answers for the same selectors, fetched only when a handle must ask live.
  std::unordered_map<std::string, std::vector<Handle>> live_queries;

  // Reads the batch on first use. Any failure leaves every answer to the live driver:
  // slower, never different.
  bool ready() {
    if (tried) return loaded;
    tried = true;
    try {
      // The model is usually installed already (an init script, or an earlier harvest
      // of this document); only a document without one is sent the whole of it.
      model = model_scripts(plan);
      Record result = live.evaluate(narrowed(also.empty() ? model.ask : ask_with_also()));
      if (result.is_null()) result = live.evaluate(narrowed(model.harvest));
      if (!result.is_string()) return false;
      loaded = read(result.get_ref<const std::string&>());
    } catch (const DriverError&) {
      loaded = false;
    } catch (const simdjson::simdjson_error&) {
      loaded = false;
    }
    return loaded;
  }

  // The script with the model's harvest asked for the narrowed reading, when one is.
  std::string narrowed(std::string script) const {
    static const std::string call = ".harvest()";
    const std::size_t at = script.rfind(call);
    if (!narrow.empty() && at != std::string::npos) script.replace(at, call.size(), ".harvest(" + narrow + ")");
    return script;
  }

  // The model's ask with the caller's question after it, which answers the batch with its
  // own answer added as "also"; a question that throws leaves the batch as it is.
  std::string ask_with_also() const {
    return "() => { const model = window[" + model.key +
           "]; if (model === undefined) return null; const batch = model.harvest(); try { const joined = (" +
           also + ")(batch); if (typeof joined === 'string') return joined; } catch (error) {} return batch; }";
  }

  bool read(const std::string& json) {
    dom::object data;
    if (parser.parse(json).get(data)) return false;
    dom::element asked;
    if (!also.empty() && !data["also"].get(asked)) also_json = simdjson::minify(asked);
    auto column = [&](const char* name, Column& out) { return read_column(data[name].value_unsafe(), out); };
    for (const char* name :
         {"visible", "enabled", "texts", "boxes", "attributes", "scripts", "queries", "page", "lookups"}) {
      if (data[name].error()) return false;
    }
    if (!column("visible", visible) || !column("enabled", enabled) || !column("texts", texts) ||
        !column("boxes", boxes) || !column("attributes", attributes) || !column("queries", queries) ||
        !column("page", page)) {
      return false;
    }
    std::string_view seen_at;
    if (!data["state"].get(seen_at)) state_text = std::string(seen_at);
    dom::array script_columns;
    if (data["scripts"].get(script_columns)) return false;
    for (dom::element value : script_columns) {
      scripts.emplace_back();
      if (!read_column(value, scripts.back())) return false;
    }
    dom::object found;
    if (data["lookups"].get(found)) return false;
    for (dom::key_value_pair entry : found) lookups.emplace(entry.key, entry.value);
    node_count = visible.size();
    return queries.size() == plan.selectors.size() && page.size() == plan.page_scripts.size() &&
           columns_valid() && indices_valid();
  }

  const std::vector<Handle>& live_query(const std::string& selector) {
    auto found = live_queries.find(selector);
    if (found == live_queries.end())
      found = live_queries.emplace(selector, live.query_selector_all(selector)).first;
    return found->second;
  }

  // Every column holds one entry per node, one column per element script.
  bool columns_valid() const {
    for (const Column* column : {&visible, &enabled, &texts, &boxes, &attributes}) {
      if (column->size() != node_count) return false;
    }
    if (scripts.size() != plan.element_scripts.size()) return false;
    for (const Column& column : scripts) {
      if (column.size() != node_count) return false;
    }
    return true;
  }

  // Node indices point into the columns; a batch that says otherwise is not used.
  bool indices_valid() const {
    auto valid = [&](dom::element index) {
      std::int64_t node;
      return !index.get(node) && node >= 0 && static_cast<std::size_t>(node) < node_count;
    };
    for (dom::element found : queries) {
      if (!found.is_array()) continue;
      for (dom::element index : dom::array(found)) {
        if (!valid(index)) return false;
      }
    }
    for (const auto& [selector, answer] : lookups) {
      std::int64_t node;
      if (!answer.get(node) && node != -1 && !valid(answer)) return false;
    }
    return true;
  }
};

namespace {

// One node of the batch. It answers from the batch; a question the batch left open goes
// to the live handle of the same node, found again by the query that produced it.
class BatchedHandle : public ElementHandle {
 public:
  // `selector` points into the state (a plan selector or a look-up's key), which lives
  // as long as this handle.
  BatchedHandle(std::shared_ptr<BatchedDriver::State> state, std::size_t node, std::string_view selector,
                std::size_t position, std::size_t count, bool lookup)
      : state_(std::move(state)),
        node_(node),
        selector_(selector),
        position_(position),
        count_(count),
        lookup_(lookup) {}

  bool is_visible() override {
    bool visible;
    if (!state_->visible[node_].get(visible)) return visible;
    return live().is_visible();
  }

  bool is_enabled() override {
    dom::element enabled = state_->enabled[node_];
    bool value;
    if (!enabled.get(value)) return value;
    if (slot_kind(enabled) == Slot::error) raise(enabled);
    return live().is_enabled();
  }

  std::string inner_text() override {
    dom::element text = state_->texts[node_];
    std::string_view value;
    if (!text.get(value)) return std::string(value);
    if (slot_kind(text) == Slot::error) raise(text);
    return live().inner_text();
  }

  // Attributes travel as [name, value, ...]; a value of 0 is left to the live page.
  std::optional<std::string> get_attribute(const std::string& name) override {
    dom::array pairs;
    if (!state_->attributes_asked.count(name) || state_->attributes[node_].get(pairs)) {
      return live().get_attribute(name);
    }
    for (auto it = pairs.begin(); it != pairs.end(); ++it) {
      std::string_view key, value;
      const bool is_name = !(*it).get(key) && key == name;
      if (++it == pairs.end()) break;
      if (!is_name) continue;
      if (!(*it).get(value)) return std::string(value);
      return live().get_attribute(name);
    }
    return std::nullopt;
  }

  std::optional<Box> bounding_box() override {
    dom::element box = state_->boxes[node_];
    if (box.is_null()) return std::nullopt;
    dom::array numbers;
    if (!box.get(numbers) && numbers.size() == 4) {
      double b[4];
      std::size_t k = 0;
      for (dom::element number : numbers) {
        if (number.get(b[k])) return live().bounding_box();
        ++k;
      }
      return Box{b[0], b[1], b[2], b[3]};
    }
    if (slot_kind(box) == Slot::error) raise(box);
    return live().bounding_box();
  }

  // A script's cell: a bare string, boolean or null is the answer itself, [value] any
  // other answer, {"e": message} a failure, 0 a question for the live page.
  Record evaluate(const std::string& script) override {
    if (auto column = state_->script_column(script)) {
      dom::element cell = state_->scripts[*column][node_];
      if (cell.is_string() || cell.is_bool() || cell.is_null()) return to_record(cell);
      switch (slot_kind(cell)) {
        case Slot::value: return to_record(dom::array(cell).at(0).value_unsafe());
        case Slot::error: raise(cell);
        case Slot::ask_live: break;
      }
    }
    return live().evaluate(state_->live_script(script));
  }

 private:
  ElementHandle& live() {
    if (!live_) {
      if (lookup_) {
        live_ = state_->live.query_selector(std::string(selector_));
      } else {
        const auto& all = state_->live_query(std::string(selector_));
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
  std::string_view selector_;
  std::size_t position_, count_;
  bool lookup_;
  Handle live_;
};

}  // namespace

BatchedDriver::BatchedDriver(PageDriver& live, BatchPlan plan)
    : state_(std::make_shared<State>(live, std::move(plan))) {}

BatchedDriver::BatchedDriver(std::shared_ptr<PageDriver> live, BatchPlan plan)
    : state_(std::make_shared<State>(*live, std::move(plan))) {
  state_->owned = std::move(live);
}

BatchedDriver::~BatchedDriver() = default;

bool BatchedDriver::batched() const { return state_->tried && state_->loaded; }

std::string BatchedDriver::state() const { return batched() ? state_->state_text : std::string(); }

void BatchedDriver::ask_also(std::string function) {
  // The text goes in parentheses: a statement's closing ";" cannot.
  while (!function.empty() && std::string(" \t\r\n;").find(function.back()) != std::string::npos) {
    function.pop_back();
  }
  state_->also = std::move(function);
}

const std::string& BatchedDriver::also_answer() const { return state_->also_json; }

void BatchedDriver::narrow_to(std::string request) { state_->narrow = std::move(request); }

namespace {

// A live handle whose element scripts run as the installed model's own (see live_script).
class ModelRoutedHandle : public ElementHandle {
 public:
  ModelRoutedHandle(std::shared_ptr<BatchedDriver::State> state, Handle live)
      : state_(std::move(state)), live_(std::move(live)) {}
  bool is_visible() override { return live_->is_visible(); }
  bool is_enabled() override { return live_->is_enabled(); }
  std::string inner_text() override { return live_->inner_text(); }
  std::optional<std::string> get_attribute(const std::string& name) override {
    return live_->get_attribute(name);
  }
  std::optional<Box> bounding_box() override { return live_->bounding_box(); }
  Record evaluate(const std::string& script) override;

 private:
  std::shared_ptr<BatchedDriver::State> state_;
  Handle live_;
};

std::vector<Handle> model_routed(const std::shared_ptr<BatchedDriver::State>& state,
                                 std::vector<Handle> live) {
  for (auto& handle : live) handle = std::make_shared<ModelRoutedHandle>(state, std::move(handle));
  return live;
}

Record ModelRoutedHandle::evaluate(const std::string& script) {
  return live_->evaluate(state_->live_script(script));
}

}  // namespace

std::vector<Handle> BatchedDriver::query_selector_all(const std::string& selector) {
  auto index = state_->selectors.find(selector);
  if (index == state_->selectors.end() || !state_->ready()) return state_->live.query_selector_all(selector);
  dom::element found = state_->queries[index->second];
  if (slot_kind(found) == Slot::error) raise(found);
  dom::array nodes;
  if (found.get(nodes)) return model_routed(state_, state_->live.query_selector_all(selector));
  const std::string& planned = state_->plan.selectors[index->second];
  std::vector<Handle> out;
  out.reserve(nodes.size());
  for (dom::element node : nodes) {
    out.push_back(std::make_shared<BatchedHandle>(state_,
                                                  static_cast<std::size_t>(std::int64_t(node.get_int64())),
                                                  planned, out.size(), nodes.size(), false));
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
  dom::element answer = found->second;
  std::int64_t node;
  if (!answer.get(node)) {
    if (node < 0) return nullptr;
    return std::make_shared<BatchedHandle>(state_, static_cast<std::size_t>(node), found->first, 0, 1, true);
  }
  if (slot_kind(answer) == Slot::error) raise(answer);
  return state_->live.query_selector(selector);
}

Record BatchedDriver::evaluate(const std::string& script) {
  auto index = state_->page_scripts.find(script);
  if (index == state_->page_scripts.end() || !state_->ready()) return state_->live.evaluate(script);
  dom::element slot = state_->page[index->second];
  switch (slot_kind(slot)) {
    case Slot::value: return to_record(dom::array(slot).at(0).value_unsafe());
    case Slot::error: raise(slot);
    case Slot::ask_live: break;
  }
  return state_->live.evaluate(script);
}

// The address is the driver's own bookkeeping, not a page question; always live.
std::string BatchedDriver::url() { return state_->live.url(); }

bool BatchedDriver::browses() { return state_->live.browses(); }

namespace {

std::vector<ChildFrame> batched_frames(std::vector<ChildFrame> frames, const BatchPlan& plan,
                                       const std::string& narrow) {
  for (ChildFrame& frame : frames) {
    if (!frame.driver) continue;
    auto batched = std::make_shared<BatchedDriver>(std::move(frame.driver), plan);
    batched->narrow_to(narrow);  // a frame is read as narrowly as its page
    frame.driver = std::move(batched);
  }
  return frames;
}

}  // namespace

std::vector<ChildFrame> BatchedDriver::child_frames() {
  return batched_frames(state_->live.child_frames(), state_->plan, state_->narrow);
}

std::vector<ChildFrame> BatchedDriver::child_frames_unplaced() {
  return batched_frames(state_->live.child_frames_unplaced(), state_->plan, state_->narrow);
}

// Where a frame sits is the live driver's to read: the batch answers its own document only.
void BatchedDriver::place_in_parent(ChildFrame& frame) { state_->live.place_in_parent(frame); }

bool BatchedDriver::narrowed() const { return !state_->narrow.empty(); }

}  // namespace kelvo::harvester
