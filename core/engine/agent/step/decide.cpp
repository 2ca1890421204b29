#include <stdexcept>
#include <utility>

#include "common/element_state.h"
#include "common/text.h"
#include "engine/agent/ladder/geometry.h"
#include "engine/agent/ladder/routing.h"
#include "engine/agent/step/step.h"
#include "engine/spatial/cartographer/matrix_builder.h"
#include "engine/spatial/surveyor/entry_reading.h"
#include "engine/strategies/matcher/dom_strategy.h"
#include "engine/strategies/matcher/text_matching.h"
#include "engine/agent/step/identity.h"
#include "engine/agent/grammar/grammar.h"

namespace kelvo::step {

namespace {

using ladder::Ref;
using ladder::Source;
using Status = Decision::Status;
using Answer = Decision::Answer;

const std::vector<Record> kNone;

ladder::Lists lists_of(const Reading& reading) {
  return {reading.dom_elements, reading.text_elements, reading.controls ? *reading.controls : kNone,
          reading.texts ? *reading.texts : kNone, reading.hidden};
}

const Record& record_of(const Reading& reading, const Ref& ref) {
  switch (ref.source) {
    case Source::dom_elements: return reading.dom_elements[ref.index];
    case Source::text_elements: return reading.text_elements[ref.index];
    case Source::controls: return (*reading.controls)[ref.index];
    case Source::texts: return (*reading.texts)[ref.index];
    case Source::hidden: break;
  }
  return (*reading.hidden)[ref.index];
}

Ref ref_of(const matcher::ElementRef& ref) {
  return {ref.source == matcher::Source::dom_elements ? Source::dom_elements : Source::text_elements, ref.index};
}

// The matrix entry as the resolver reads it: the element cut down to its path and the
// attributes that name it, for a matrix of ten thousand entries copies no more than that.
Record resolver_entry(const cartographer::MatrixEntry& entry, const Record& element) {
  Record slim = Record::object();
  if (const Record* xpath = find_key(element, "xpath")) slim["xpath"] = *xpath;
  if (const Record* attributes = find_key(element, "attributes")) {
    Record labels = attributes->is_object() ? Record::object() : *attributes;
    for (const char* key : {"aria-label", "_label", "placeholder"}) {
      if (const Record* value = attributes->is_object() ? find_key(*attributes, key) : nullptr) labels[key] = *value;
    }
    slim["attributes"] = std::move(labels);
  }
  return cartographer::to_record(entry, slim);
}

// The spatial rules over the harvest's matrix; `more_texts` adds anchors (the extras' texts).
SpatialAnswer spatial_rules(const Plan& plan, const Reading& reading, const std::vector<Record>* more_texts) {
  const std::vector<Record>* texts = &reading.text_elements;
  std::vector<Record> joined;
  if (more_texts && !more_texts->empty()) {
    joined.reserve(reading.text_elements.size() + more_texts->size());
    joined.insert(joined.end(), reading.text_elements.begin(), reading.text_elements.end());
    joined.insert(joined.end(), more_texts->begin(), more_texts->end());
    texts = &joined;
  }
  const std::vector<cartographer::MatrixEntry> entries = cartographer::build_matrix(reading.dom_elements, *texts);
  SpatialAnswer out;
  std::vector<Record> matrix;
  matrix.reserve(entries.size());
  out.sources.reserve(entries.size());
  const std::size_t own_texts = reading.text_elements.size();
  for (const auto& entry : entries) {
    Ref ref{Source::dom_elements, entry.source_index};
    if (entry.source == cartographer::Source::text_element) {
      ref = entry.source_index < own_texts ? Ref{Source::text_elements, entry.source_index}
                                           : Ref{Source::texts, entry.source_index - own_texts};
    }
    const Record& element = ref.source == Source::dom_elements ? reading.dom_elements[ref.index]
                                                               : (*texts)[entry.source_index];
    matrix.push_back(resolver_entry(entry, element));
    out.sources.push_back(ref);
  }
  const surveyor::MatrixResolver resolver(std::move(matrix));
  out.resolution = resolver.resolve(plan.phrase.text);
  if (out.resolution.shape == surveyor::SpatialResolution::Shape::relational)
    out.anchor_text = surveyor::entry_text(resolver.matrix()[out.resolution.anchor], "searchable");
  return out;
}

// What one answer of the rules says, read the same way whichever rule gave it.
struct Answered {
  bool resolved = false;
  const Record* element = nullptr;
  bool has_candidates = false;
};

Answered answered(const Reading& reading, const matcher::ResolutionResult& r) {
  return {r.resolved, r.element ? &record_of(reading, ref_of(*r.element)) : nullptr, !r.candidates.empty()};
}

Answered answered(const Reading& reading, const SpatialAnswer& a) {
  const bool resolved = a.resolution.resolved();
  return {resolved, resolved ? &record_of(reading, a.sources[a.resolution.best]) : nullptr,
          !a.resolution.candidates.empty()};
}

// Something a select step can pick from: a native select, a combobox or list box, a button
// that opens a list.
bool pickable(const Record& element) {
  const std::string tag = get_string(element, "tag");
  const std::string role = text::lower(ladder::detail::attribute(element, "role"));
  if (tag == "select" || role == "combobox" || role == "listbox") return true;
  if (!ladder::detail::attribute(element, "aria-haspopup").empty()) return true;
  const std::string cls = " " + ladder::detail::attribute(element, "class") + " ";
  return cls.find(" dropdown-toggle ") != std::string::npos;
}

// Whether an answer of the rules leaves room for the ladder: "not found"; a spatial text
// check that found its anchor but nothing in the direction (the anchor itself, no
// candidates); or an element of another kind or name than the tester wrote, which the
// rules took for want of knowing the word.
bool rules_missed(const Plan& plan, const Answered& a) {
  if (!a.resolved) return true;
  if (reads_in_direction(plan.action)) return !a.has_candidates;
  // A select step picks from what a person can pick from, never a link that shares its words.
  if (plan.action == Action::select && a.element && !pickable(*a.element)) return true;
  return !is_text_step(plan.action) && a.element &&
         (ladder::contradicts_kind(plan.phrase, *a.element) || ladder::contradicts_name(plan.phrase, *a.element));
}

// Whether the element's own text or name is the whole target: no re-ranking needed.
bool named_exactly(const ladder::Phrase& phrase, const Record& element) {
  auto same = [&](const std::string& name) { return ladder::detail::fold(name) == phrase.folded; };
  if (same(get_string(element, "text")) || same(ladder::detail::attribute(element, "aria-label")) ||
      same(ladder::detail::attribute(element, "title")) || same(ladder::detail::attribute(element, "value")))
    return true;
  const std::string tag = get_string(element, "tag");
  return (tag == "input" || tag == "textarea" || tag == "select") &&
         same(ladder::detail::attribute(element, "_label"));
}

Decision needs_extras() {
  Decision d;
  d.status = Status::needs_extras;
  return d;
}

Decision by_rung(ladder::LadderResult found) {
  Decision d;
  d.status = Status::found;
  d.answer = Answer::ladder;
  d.resolved_by = found.resolved_by;
  d.rung = std::move(found);
  return d;
}

Decision by_text(matcher::ResolutionResult found) {
  Decision d;
  d.status = found.resolved ? Status::found : Status::not_found;
  d.answer = Answer::text_rules;
  d.resolved_by = route_name(Route::text);
  d.text = std::move(found);
  return d;
}

Decision by_place(SpatialAnswer found, const char* resolved_by) {
  Decision d;
  d.status = Status::found;
  d.answer = Answer::spatial_rules;
  d.resolved_by = resolved_by;
  d.spatial = std::move(found);
  return d;
}

// An element step: the rules in the phrase's order, re-ranked when the answer is only a
// contains match, then the ladder over the extras.
Decision element_step(const Plan& plan, const Reading& reading, const matcher::DOMStrategy& rules) {
  const std::string action(name_of(plan.action));
  for (Route route : plan.routes) {
    SpatialAnswer place;
    matcher::ResolutionResult text;
    Answered a;
    if (route == Route::spatial) {
      place = spatial_rules(plan, reading, nullptr);
      a = answered(reading, place);
    } else {
      text = rules.resolve(plan.instruction, reading.dom_elements, &reading.text_elements);
      a = answered(reading, text);
    }
    // An answer of another kind or name than the tester wrote is no answer: acting on what
    // stood near the anchor would pass a wrong step.
    if (!a.resolved || rules_missed(plan, a)) continue;
    const bool may_rerank = route == Route::spatial ? ladder::may_have_row_twin(plan.phrase) : true;
    // A tester who writes a control's whole name means the control of that name; a place
    // phrase means the one in the anchor's own row, named exactly or not (repeated names).
    if (a.element && acts_on_element(plan.action) && may_rerank &&
        (route == Route::spatial || !named_exactly(plan.phrase, *a.element))) {
      if (!reading.has_extras()) return needs_extras();
      const std::string xpath = get_string(*a.element, "xpath");
      ladder::LadderResult better = route == Route::spatial
                                        ? ladder::row_twin(action, plan.phrase, xpath, lists_of(reading))
                                        : ladder::exact_name(action, plan.phrase, xpath, lists_of(reading));
      if (better.resolved) return by_rung(std::move(better));
    }
    return route == Route::spatial ? by_place(std::move(place), route_name(route)) : by_text(std::move(text));
  }
  if (!reading.has_extras()) return needs_extras();
  ladder::LadderResult climbed = ladder::resolve(plan.instruction, plan.phrase, lists_of(reading));
  if (climbed.resolved) return by_rung(std::move(climbed));
  // More anchors find more places (a legend above a group), never more names: the answer
  // must still be what the tester named.
  SpatialAnswer place = spatial_rules(plan, reading, reading.texts);
  if (!rules_missed(plan, answered(reading, place))) return by_place(std::move(place), ladder::kByExtendedText);
  return {};
}

// What a record shows (a column's cell, a slider's value), read as the text a step in a
// direction reads or checks.
ladder::LadderResult reading_of(const Plan& plan, const Ref& ref, const std::string& shown, const char* rung) {
  ladder::LadderResult r;
  r.resolved = true;
  r.resolved_by = rung;
  r.element = ref;
  r.candidates = {ref};
  if (plan.action == Action::extract_text_spatial) {
    r.extracted = shown;
    return r;
  }
  const std::string expected = get_string(plan.instruction, "value");
  const std::string have = ladder::detail::fold(shown), want = ladder::detail::fold(expected);
  // "6" holds for a slider that says "6 months"; the text rules' own comparison for the rest.
  r.verified = have == want || (!want.empty() && have.rfind(want + " ", 0) == 0);
  r.expected = expected;
  r.actual = shown;
  return r;
}

// A step about page text: the text rules, the innermost element carrying the words, the
// extended texts when the rules miss.
Decision text_step(const Plan& plan, const Reading& reading, const matcher::DOMStrategy& rules) {
  matcher::ResolutionResult found = rules.resolve(plan.instruction, reading.dom_elements, &reading.text_elements);
  const Answered a = answered(reading, found);
  if (rules_missed(plan, a)) {
    if (!reading.has_extras()) return needs_extras();
    ladder::LadderResult climbed = ladder::resolve(plan.instruction, plan.phrase, lists_of(reading));
    if (climbed.resolved) return by_rung(std::move(climbed));
  } else if (a.element && searches_text(plan.action) && !named_exactly(plan.phrase, *a.element)) {
    const std::size_t outer = text::length(get_string(*a.element, "text"));
    if (outer > text::length(plan.phrase.text)) {
      if (!reading.has_extras()) return needs_extras();
      ladder::LadderResult inner = ladder::resolve(plan.instruction, plan.phrase, lists_of(reading));
      if (inner.resolved && inner.element &&
          text::length(get_string(record_of(reading, *inner.element), "text")) < outer)
        return by_rung(std::move(inner));
    }
  }
  if (reads_in_direction(plan.action)) {
    // A table's column under its header, or a slider between the anchor and the text the
    // rules read, shows what a person reads there. A check that holds needs no second look;
    // an extraction always takes one.
    const bool held = found.resolved && element_state::truthy(&found.verified);
    if (plan.action == Action::extract_text_spatial || !held) {
      const Record* read = found.resolved && a.element ? a.element : nullptr;
      if (auto cell = ladder::column_cell(plan.phrase, lists_of(reading))) {
        const Record& shown = record_of(reading, *cell);
        if (!read || get_string(shown, "xpath") != get_string(*read, "xpath"))
          return by_rung(reading_of(plan, *cell, get_string(shown, "text"), ladder::kByColumn));
      }
      if (!reading.has_extras()) return needs_extras();
      if (auto slider = ladder::value_in_direction(plan.phrase, read, lists_of(reading)))
        return by_rung(reading_of(plan, *slider, get_string(record_of(reading, *slider), "value_text"),
                                  ladder::kBySliderValue));
    }
  }
  Decision d = by_text(std::move(found));
  if (plan.action == Action::extract_text_spatial && !d.text.resolved) {
    // Extraction answers without a reason; a check of the same place gives one.
    Record check = plan.instruction;
    check["action"] = name_of(Action::verify_spatial_text);
    check["value"] = "";
    const matcher::ResolutionResult checked = rules.resolve(check, reading.dom_elements, &reading.text_elements);
    const Record* actual = find_key(checked.state, "actual");
    if (actual && actual->is_string()) d.reason = actual->get<std::string>();
  }
  return d;
}

// How the answer of a text step fails, if it does.
std::optional<TextProblem> text_problem(const Plan& plan, const Decision& d) {
  bool resolved = false, verified = false, observed = false;
  if (d.answer == Answer::ladder) {
    resolved = d.rung.resolved;
    verified = d.rung.verified.value_or(false);
    observed = d.rung.actual.has_value();
  } else {
    resolved = d.text.resolved;
    verified = element_state::truthy(&d.text.verified);
    observed = find_key(d.text.state, "actual") != nullptr;
  }
  if (plan.action == Action::find_exact_text) return resolved ? std::nullopt : std::optional(TextProblem::no_exact_text);
  if (reads_in_direction(plan.action)) {
    if (d.reason) return d.reason->rfind("anchor ", 0) == 0 ? TextProblem::no_anchor : TextProblem::nothing_to_read;
    if (!resolved) return observed ? TextProblem::place_missed : TextProblem::no_place;
    if (plan.action == Action::verify_spatial_text && !verified) return TextProblem::mismatch;
    return std::nullopt;
  }
  if (!resolved) return TextProblem::absent;
  if (plan.action == Action::verify_text_visible && !verified) return TextProblem::hidden;
  return std::nullopt;
}

// Whether the target is the whole text of one line of the element's (an option of a select).
bool names_an_option(const Record& element, const ladder::Phrase& phrase) {
  if (get_string(element, "tag") != "select") return false;
  const std::string all = get_string(element, "text") + "\n";
  for (std::size_t from = 0, to; (to = all.find('\n', from)) != std::string::npos; from = to + 1) {
    const std::string folded = ladder::detail::fold(all.substr(from, to - from));
    if (!folded.empty() && (folded == phrase.folded || folded == phrase.bare)) return true;
  }
  return false;
}

// A checked-state check whose element has no such state (the combobox showing "Standard"
// for "verify Standard is selected"): the control of that name that has one.
std::optional<Ref> stateful_named(const ladder::Lists& lists, const ladder::Phrase& phrase) {
  for (int tier = 0; tier < 2; ++tier) {
    for (std::size_t i = 0; i < lists.controls.size(); ++i) {
      const Record& c = lists.controls[i];
      if (!find_key(c, "checked") && !find_key(c, "selected")) continue;
      if (!get_bool(c, "is_visible", true)) continue;
      const std::string name = ladder::detail::fold(get_string(c, "name"));
      if (tier == 0 ? name == phrase.bare : (!phrase.bare.empty() && name.find(phrase.bare) != std::string::npos))
        return Ref{Source::controls, i};
    }
  }
  return std::nullopt;
}

// Actions whose record must name the control itself, not what stands for it.
bool names_a_control(Action action) {
  return acts_on_element(action) || action == Action::verify_enabled || action == Action::verify_disabled ||
         checks_checked(action);
}

constexpr const char* kNoState = "not a checkbox, radio button, switch or option";

// verify X is checked / not checked / selected / on: the control's own state, as read in
// the same evaluation as the harvest.
Verdict checked_verdict(const Plan& plan, const Record& element, const ladder::Lists& lists) {
  const std::string asked = get_string(plan.instruction, "value");
  const Record* control = find_key(element, "kind") ? &element : nullptr;
  if (!control) {
    if (auto at = ladder::control_at(lists, get_string(element, "xpath"))) control = &lists.controls[*at];
  }
  // The extras give a control "checked" or "selected" only when it has that state at all.
  const bool has_state = control && (find_key(*control, "checked") || find_key(*control, "selected"));
  Verdict v;
  v.expected = asked;
  const bool wants_on = plan.action == Action::verify_checked;
  if (!control || !has_state) {
    v.actual = kNoState;
    return v;
  }
  const bool on = get_bool(*control, "checked") || get_bool(*control, "selected");
  const bool selected_words = asked.find("selected") != std::string::npos;
  const bool switch_words = asked == "on" || asked == "off";
  v.actual = switch_words ? (on ? "on" : "off")
                          : std::string(on ? "" : "not ") + (selected_words ? "selected" : "checked");
  v.verified = on == wants_on;
  return v;
}

}  // namespace

const char* name_of(TextProblem problem) {
  switch (problem) {
    case TextProblem::no_exact_text: return "no_exact_text";
    case TextProblem::absent: return "absent";
    case TextProblem::hidden: return "hidden";
    case TextProblem::nothing_to_read: return "nothing_to_read";
    case TextProblem::no_anchor: return "no_anchor";
    case TextProblem::no_place: return "no_place";
    case TextProblem::place_missed: return "place_missed";
    case TextProblem::mismatch: return "mismatch";
  }
  return "";
}

std::string written_target(std::u32string_view instruction, const std::u32string& parsed_target) {
  constexpr char32_t kKept = 0xE000;  // a private-use character stands for each quote while parsing
  if (instruction.find(U'"') == std::u32string_view::npos) return {};
  std::u32string masked(instruction);
  for (char32_t& c : masked) {
    if (c == U'"') c = kKept;
  }
  static const grammar::InstructionParser parser;
  grammar::ParsedInstruction again;
  try {
    again = parser.parse(masked);
  } catch (const grammar::InstructionError&) {
    return {};
  }
  if (!again.target) return {};
  std::u32string written = *again.target;
  for (char32_t& c : written) {
    if (c == kKept) c = U'"';
  }
  // Only the same target with its quotes back: quotes that changed how the step reads are
  // the parser's business.
  std::u32string bare;
  for (char32_t c : written) {
    if (c != U'"') bare += c;
  }
  if (written == parsed_target || bare != parsed_target) return {};
  return text::encode(written);
}

const char* route_name(Route route) { return route == Route::spatial ? ladder::kRouteSpatial : ladder::kRouteText; }

Plan plan(const Record& parsed_instruction) {
  const std::string name = get_string(parsed_instruction, "action");
  const std::optional<Action> action = action_named(name);
  if (!action) throw std::invalid_argument("no step has the action " + text::repr(name));
  Plan out{*action, Record::object(), ladder::read_phrase(get_string(parsed_instruction, "target")), {}};
  for (const char* key : {"action", "target", "value", "ordinal"}) {
    const Record* value = find_key(parsed_instruction, key);
    if (value) out.instruction[key] = *value;  // as the rules' own callers give it, nulls kept
  }
  // The rules find a checked-state check's element as they find any state check's.
  if (checks_checked(*action)) out.instruction["action"] = std::string(name_of(Action::verify_enabled));
  if (aims_at_element(*action)) {
    const bool place_first = ladder::is_spatial_phrase(out.phrase.text);
    out.routes = place_first ? std::vector<Route>{Route::spatial, Route::text}
                             : std::vector<Route>{Route::text, Route::spatial};
  }
  return out;
}

const Record* element_of(const Decision& d, const Reading& reading) {
  if (d.control) return &record_of(reading, *d.control);
  switch (d.answer) {
    case Answer::text_rules: return d.text.element ? &record_of(reading, ref_of(*d.text.element)) : nullptr;
    case Answer::spatial_rules:
      return d.spatial.resolution.resolved() ? &record_of(reading, d.spatial.sources[d.spatial.resolution.best])
                                             : nullptr;
    case Answer::ladder: return d.rung.element ? &record_of(reading, *d.rung.element) : nullptr;
    case Answer::none: break;
  }
  return nullptr;
}

bool wants_extras(const Plan& plan) {
  if (checks_checked(plan.action)) return true;  // the states are read with the extras
  if (!acts_on_element(plan.action)) return false;
  const std::string& kind = plan.phrase.words.kind;
  return ladder::may_have_row_twin(plan.phrase) || (!kind.empty() && kind != "button");
}

std::optional<Ambiguity> ambiguity(const Plan& plan, const Decision& d, const Reading& reading) {
  if (d.status != Status::found || d.answer != Answer::text_rules || !d.text.element) return std::nullopt;
  if (!acts_on_element(plan.action) && !is_state_check(plan.action)) return std::nullopt;
  if (!plan.phrase.words.relation.empty() || plan.phrase.words.ordinal != 0) return std::nullopt;
  // The parser's ordinal reads 1 when none is written; another one chose by order.
  if (get_number(plan.instruction, "ordinal", 1) != 1) return std::nullopt;
  const std::string target = matcher::strip_type_descriptors(get_string(plan.instruction, "target"));
  const bool labels = plan.action == Action::type || plan.action == Action::select;
  const matcher::ElementRef chosen = *d.text.element;
  // Only a chosen element named exactly has twins: a partial match was the best of others.
  if (!matcher::exact_matches_element(target, record_of(reading, ref_of(chosen)), labels)) return std::nullopt;
  Ambiguity out;
  for (std::size_t i = 0; i < d.text.candidates.size(); ++i) {
    const matcher::ElementRef& candidate = d.text.candidates[i];
    if (!matcher::exact_matches_element(target, record_of(reading, ref_of(candidate)), labels)) continue;
    ++out.count;
    out.positions.push_back(i);
    if (candidate.source == chosen.source && candidate.index == chosen.index) out.chosen = out.count;
  }
  if (out.count < 2 || out.chosen == 0) return std::nullopt;
  return out;
}

std::optional<Narrowing> narrowing(const Plan& plan) {
  if (plan.routes.empty() || plan.routes.front() != Route::text) return std::nullopt;
  if (plan.action == Action::extract_text || checks_checked(plan.action) || wants_extras(plan)) return std::nullopt;
  // An ordinal the text rules read counts among the elements the words match, all of which
  // a narrowed reading holds; an ordinal word or a place sends the step to the spatial rules.
  if (!plan.phrase.words.relation.empty()) return std::nullopt;
  const std::string target = get_string(plan.instruction, "target");
  Narrowing out;
  for (char c : matcher::normalise(matcher::strip_type_descriptors(target))) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return std::nullopt;  // case rules beyond ASCII stay with the whole page
    if (byte <= 0x20 || byte == 0x7f || c == '_' || c == '-') continue;
    out.needle += c;
  }
  if (out.needle.empty()) return std::nullopt;
  if (plan.action == Action::type) out.fields = "typing";
  if (plan.action == Action::select) out.fields = "picking";
  out.levels = kRowLevels;
  return out;
}

std::optional<Decision> decide_narrowed(const Plan& plan, const Reading& reading) {
  if (reading.has_extras()) return std::nullopt;
  Decision d = decide(plan, reading);
  if (d.status != Status::found || d.answer != Answer::text_rules || d.control) return std::nullopt;
  const Record* element = element_of(d, reading);
  if (!element) return std::nullopt;
  // A label drawn above an element is read from the whole page; the report names an element
  // without text of its own by it.
  if (text::strip(get_string(*element, "text")).empty() && ladder::detail::attribute(*element, "_label").empty())
    return std::nullopt;
  if (plan.action == Action::type) {
    const auto fields = matcher::filter_by_action("type", reading.dom_elements);
    if (!fields) return std::nullopt;
    for (std::size_t i : *fields) {
      if (ladder::detail::attribute(reading.dom_elements[i], "_label").empty()) return std::nullopt;
    }
  }
  return d;
}

Decision decide(const Plan& plan, const Reading& reading) {
  static const matcher::DOMStrategy rules;
  if (plan.routes.empty()) {
    Decision d = text_step(plan, reading, rules);
    if (d.status != Status::needs_extras) d.problem = text_problem(plan, d);
    const bool missed = d.problem == TextProblem::absent || d.problem == TextProblem::no_exact_text;
    if (missed && !plan.written_target.empty()) {
      // The text as the instruction wrote it, its inner quotes kept (city = "Oslo").
      Plan written = plan;
      written.instruction["target"] = plan.written_target;
      written.phrase = ladder::read_phrase(plan.written_target);
      written.written_target.clear();
      Decision again = decide(written, reading);
      if (again.status == Status::needs_extras || !again.problem) return again;
    }
    return d;
  }
  Decision d = element_step(plan, reading, rules);
  if (d.status == Status::needs_extras) return d;
  if (d.status == Status::found && names_a_control(plan.action)) {
    const Record* chosen = element_of(d, reading);
    // Hidden, or visually hidden (clipped to a pixel, as enhanced selects keep theirs).
    const kelvo::Box box = chosen ? ladder::detail::box_of(*chosen) : kelvo::Box{};
    const bool hidden = chosen && (!get_bool(*chosen, "is_visible", true) ||
                                   (ladder::detail::has_box(*chosen) && (box.width <= 2 || box.height <= 2)));
    // A hidden select found by one of its options' words ("click Globex" before its widget's
    // list has shown): that option is not on the screen yet, so nothing is found this time.
    if (hidden && names_an_option(*chosen, plan.phrase)) return {};
    if (chosen && (hidden || ladder::may_stand_for_control(*chosen))) {
      if (!reading.has_extras()) return needs_extras();
      const ladder::Lists lists = lists_of(reading);
      d.control = hidden ? ladder::stand_in_of(lists, *chosen) : std::nullopt;
      if (!d.control && !hidden) d.control = ladder::control_of(lists, *chosen, plan.phrase);
    }
  }
  const auto check = element_state::check_of(name_of(plan.action));
  const Record* element = d.status == Status::found ? element_of(d, reading) : nullptr;
  if (checks_checked(plan.action) && element) {
    if (!reading.has_extras()) return needs_extras();
    const ladder::Lists lists = lists_of(reading);
    d.verdict = checked_verdict(plan, *element, lists);
    if (d.verdict->actual == kNoState) {
      if (auto other = stateful_named(lists, plan.phrase)) {
        d.control = other;
        d.verdict = checked_verdict(plan, record_of(reading, *other), lists);
      }
    }
  }
  if (check && element) {
    const std::string_view wanted = element_state::wanted(*check);
    d.verdict = Verdict{element_state::holds(*check, *element), std::string(wanted),
                        element_state::observed(*element)};
  }
  return d;
}

}  // namespace kelvo::step
