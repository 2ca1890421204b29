// Controls named by their label, and controls named by the tester's word for their type.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "engine/agent/ladder/geometry.h"
#include "engine/agent/ladder/ladder.h"
#include "engine/agent/ladder/phrase.h"

namespace kelvo::ladder {

namespace detail {

struct PathIndex {
  std::unordered_map<std::string, std::size_t> descriptor;     // the first descriptor at each path
  std::unordered_map<std::string, std::string> control_names;  // " name" of each control there, folded, in order
};

}  // namespace detail

namespace {

const detail::PathIndex& paths_of(const Lists& lists) {
  if (!lists.paths) {
    auto index = std::make_shared<detail::PathIndex>();
    for (std::size_t i = 0; i < lists.dom_elements.size(); ++i)
      index->descriptor.emplace(get_string(lists.dom_elements[i], "xpath"), i);
    for (const Record& control : lists.controls)
      index->control_names[get_string(control, "xpath")] += " " + detail::fold(get_string(control, "name"));
    lists.paths = std::move(index);
  }
  return *lists.paths;
}

}  // namespace

using detail::box_of;
using detail::fold;
using kelvo::Box;

namespace {

constexpr double kRowTolerance = 40;  // pixels: the same gap the spatial rules allow
constexpr double kNearPixels = 300;

bool kind_fits(const std::string& group, const Record& control) {
  std::string kind = get_string(control, "kind");
  // A button that opens a menu is what testers call a dropdown.
  if (group == "select")
    return kind == "select" || kind == "combobox" || (kind == "button" && get_bool(control, "popup"));
  if (group == "button") return kind == "button" || kind == "tab";
  return group == kind;
}

// Which control kinds an action can use; any kind for actions that only point.
bool action_fits(const std::string& action, const std::string& kind) {
  if (action == "type") return kind == "textbox" || kind == "combobox";
  if (action == "select") return kind == "select" || kind == "combobox";
  return true;
}

bool descriptor_fits(const std::string& action, const Record& element) {
  std::string tag = get_string(element, "tag");
  std::string role = detail::attribute(element, "role");
  if (action == "type") {
    return tag == "input" || tag == "textarea" || role == "textbox" || role == "searchbox" ||
           role == "combobox" || role == "spinbutton" || get_bool(element, "is_editable_field");
  }
  if (action == "select") return tag == "select" || role == "combobox" || role == "listbox";
  return true;
}

// A control answers with the harvested descriptor of the same element when there is one,
// so the agent acts on the very record it harvested.
Ref as_ref(const Lists& lists, std::size_t control) {
  // A control acted on through its label answers with its own record (the label's xpath).
  if (find_key(lists.controls[control], "control_xpath")) return {Source::controls, control};
  const std::string xpath = get_string(lists.controls[control], "xpath");
  const auto& descriptors = paths_of(lists).descriptor;
  const auto found = xpath.empty() ? descriptors.end() : descriptors.find(xpath);
  return found == descriptors.end() ? Ref{Source::controls, control} : Ref{Source::dom_elements, found->second};
}

const Record& record_of(const Lists& lists, const Ref& ref) {
  switch (ref.source) {
    case Source::dom_elements: return lists.dom_elements[ref.index];
    case Source::text_elements: return lists.text_elements[ref.index];
    case Source::controls: return lists.controls[ref.index];
    case Source::texts: return lists.texts[ref.index];
    case Source::hidden: break;
  }
  return (*lists.hidden)[ref.index];
}

void reading_order(const Lists& lists, std::vector<Ref>& refs) {
  std::stable_sort(refs.begin(), refs.end(), [&](const Ref& a, const Ref& b) {
    Box ba = box_of(record_of(lists, a)), bb = box_of(record_of(lists, b));
    return ba.y != bb.y ? ba.y < bb.y : ba.x < bb.x;
  });
}

// Visible matches first: a hidden twin of a control is chosen only when nothing else fits.
void visible_first(const Lists& lists, std::vector<Ref>& refs) {
  std::stable_partition(refs.begin(), refs.end(),
                        [&](const Ref& r) { return get_bool(record_of(lists, r), "is_visible", true); });
}

LadderResult answer(std::vector<Ref> refs, std::int64_t ordinal, const char* rung) {
  LadderResult result;
  if (refs.empty()) return result;
  std::size_t n = refs.size();
  std::size_t pick = ordinal < 0 ? n - 1
                                 : std::min<std::size_t>(
                                       static_cast<std::size_t>(std::max<std::int64_t>(ordinal, 1)) - 1, n);
  if (pick >= n) return result;  // fewer matches than the ordinal asks for
  result.resolved = true;
  result.resolved_by = rung;
  result.element = refs[pick];
  result.candidates = std::move(refs);
  return result;
}

// Refs in the order first added, each once.
struct RefSet {
  std::vector<Ref> list;
  std::unordered_set<std::uint64_t> seen;
  void add(Ref ref) {
    if (seen.insert((static_cast<std::uint64_t>(ref.source) << 56) | ref.index).second) list.push_back(ref);
  }
  bool empty() const { return list.empty(); }
};

// The anchor a relation measures from: visible text first (harvested, then extended), then
// the text of interactable elements; exact first lines before prefixes, smallest box wins.
std::optional<Ref> find_anchor(const Lists& lists, const std::string& anchor) {
  struct Pool {
    Source source;
    const std::vector<Record>* records;
  };
  const Pool pools[] = {{Source::text_elements, &lists.text_elements},
                        {Source::texts, &lists.texts},
                        {Source::dom_elements, &lists.dom_elements}};
  for (int tier = 0; tier < 2; ++tier) {
    std::vector<Ref> hits;
    for (const Pool& pool : pools) {
      for (std::size_t i = 0; i < pool.records->size(); ++i) {
        const Record& r = (*pool.records)[i];
        if (!detail::has_box(r)) continue;
        std::string line = detail::first_line(get_string(r, "text"));
        bool hit = tier == 0 ? line == anchor
                             : line.rfind(anchor, 0) == 0 && line.size() > anchor.size() &&
                                   std::string(" (:").find(line[anchor.size()]) != std::string::npos;
        if (hit) hits.push_back({pool.source, i});
      }
      // Visible text is the anchor a person reads; control texts only when there is none.
      if (!hits.empty() && pool.source != Source::dom_elements && &pool == &pools[1]) break;
    }
    // Of repeated copies (a card title and a badge), the one read first.
    std::size_t first = detail::first_read(
        hits.size(), [&](std::size_t k) -> const Record& { return record_of(lists, hits[k]); });
    if (first < hits.size()) return hits[first];
  }
  return std::nullopt;
}

// The anchor as the tester wrote it first, its leading article included ("next to The
// Aleph" names a title), then without the article ("next to the Save button").
std::optional<Ref> anchor_of(const Lists& lists, const detail::ControlPhrase& phrase) {
  if (phrase.anchor_as_written != phrase.anchor) {
    if (auto written = find_anchor(lists, phrase.anchor_as_written)) return written;
  }
  return find_anchor(lists, phrase.anchor);
}

double horizontal_gap(const Box& a, const Box& b) {
  return std::max({0.0, b.x - a.right(), a.x - b.right()});
}

bool same_row(const Box& a, const Box& b) {
  return a.y - kRowTolerance < b.bottom() && b.y - kRowTolerance < a.bottom();
}

bool same_column(const Box& a, const Box& b) {
  return a.x - kRowTolerance < b.right() && b.x - kRowTolerance < a.right();
}

// Keeps the candidates in the relation and orders them nearest first. "next to" looks on
// both sides: a checkbox sits left of its label, a text field right of it.
std::vector<Ref> in_relation(const Lists& lists, const std::vector<Ref>& refs, const Box& a,
                             const std::string& relation) {
  std::vector<std::pair<double, Ref>> kept;
  for (const Ref& r : refs) {
    Box e = box_of(record_of(lists, r));
    if (relation == "below" && e.y >= a.bottom() - 1 && same_column(e, a)) kept.push_back({e.y, r});
    if (relation == "above" && e.bottom() <= a.y + 1 && same_column(e, a)) kept.push_back({-e.bottom(), r});
    // Rows of a table or list lie closer than the row tolerance: off-centre rows weigh in,
    // so the button in the anchor's own row wins over its twins above and below.
    double off_row = 2 * std::abs(e.centre_y() - a.centre_y());
    if (relation == "right" && e.x >= a.right() - 1 && same_row(e, a)) kept.push_back({e.x + off_row, r});
    if (relation == "left" && e.right() <= a.x + 1 && same_row(e, a))
      kept.push_back({-e.right() + off_row, r});
    if (relation == "next_to" && same_row(e, a) && (e.y < a.bottom() && a.y < e.bottom()))
      kept.push_back({horizontal_gap(a, e) + off_row, r});
    if (relation == "near") {
      // Edge to edge, so a wide row still counts its far end as near; anything in the
      // anchor's own row is near, however wide the table.
      double gx = std::max({0.0, e.x - a.right(), a.x - e.right()}),
             gy = std::max({0.0, e.y - a.bottom(), a.y - e.bottom()});
      double d = std::hypot(gx, gy);
      bool in_row = e.y < a.bottom() && a.y < e.bottom();
      if (d <= kNearPixels || in_row) kept.push_back({d + off_row, r});
    }
  }
  std::stable_sort(kept.begin(), kept.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<Ref> out;
  for (auto& k : kept) out.push_back(k.second);
  return out;
}

}  // namespace

Phrase read_phrase(const std::string& target) {
  return {target, fold(target), fold(detail::strip_type_words(target)), detail::parse_control_phrase(target)};
}

LadderResult resolve_by_label(const std::string& action, const std::string& target, std::int64_t ordinal,
                              const Lists& lists) {
  return resolve_by_label(action, read_phrase(target), ordinal, lists);
}

LadderResult resolve_by_label(const std::string& action, const Phrase& target, std::int64_t ordinal,
                              const Lists& lists) {
  const std::string& wanted = target.bare;
  if (wanted.empty()) return {};
  for (int tier = 0; tier < 2; ++tier) {
    auto names = [&](const std::string& name) {
      std::string n = fold(name);
      return tier == 0 ? n == wanted : n.find(wanted) != std::string::npos;
    };
    RefSet found;
    // Accessible names are what the page says a control is called; a harvested label
    // (the nearest text above, among others) is only a guess, so it comes second.
    for (std::size_t i = 0; i < lists.controls.size(); ++i) {
      const Record& c = lists.controls[i];
      if (action_fits(action, get_string(c, "kind")) && names(get_string(c, "name"))) found.add(as_ref(lists, i));
    }
    if (found.empty()) {
      for (std::size_t i = 0; i < lists.dom_elements.size(); ++i) {
        const Record& e = lists.dom_elements[i];
        if (descriptor_fits(action, e) && names(detail::attribute(e, "_label"))) found.add({Source::dom_elements, i});
      }
    }
    if (found.empty()) continue;
    std::vector<Ref> refs = std::move(found.list);
    reading_order(lists, refs);
    visible_first(lists, refs);
    return answer(std::move(refs), ordinal, kByLabel);
  }
  return {};
}

LadderResult resolve_by_control_type(const std::string& action, const std::string& target,
                                     std::int64_t ordinal, const Lists& lists) {
  return resolve_by_control_type(action, read_phrase(target), ordinal, lists);
}

LadderResult resolve_by_control_type(const std::string& action, const Phrase& target, std::int64_t ordinal,
                                     const Lists& lists) {
  detail::ControlPhrase phrase = target.words;
  // "Edit near Carol White": a name and a place without a type word mean something to click.
  if (phrase.kind.empty() && !phrase.name.empty() && !phrase.relation.empty() &&
      (action == "click" || action == "hover"))
    phrase.kind = "button";
  if (phrase.kind.empty()) return {};
  if (phrase.ordinal != 0) ordinal = phrase.ordinal;
  RefSet fitting;
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    const Record& c = lists.controls[i];
    if (kind_fits(phrase.kind, c) && action_fits(action, get_string(c, "kind")) &&
        get_bool(c, "is_visible", true)) {
      fitting.add(as_ref(lists, i));
    }
  }
  std::vector<Ref> refs = std::move(fitting.list);
  reading_order(lists, refs);
  if (!phrase.name.empty()) {
    // Words besides the type narrow the choice when they name something, as in the rules.
    std::vector<Ref> named;
    for (const Ref& r : refs) {
      const Record& rec = record_of(lists, r);
      std::string surfaces = fold(
          get_string(rec, "text") + " " + get_string(rec, "name") + " " + detail::attribute(rec, "_label") +
          " " + detail::attribute(rec, "aria-label") + " " + detail::attribute(rec, "title"));
      const auto& names = paths_of(lists).control_names;
      const auto named_there = names.find(get_string(rec, "xpath"));
      if (named_there != names.end()) surfaces += named_there->second;
      // A type word inside a name ("Toggle this switch element") is part of the name.
      if (surfaces.find(phrase.name) != std::string::npos || surfaces.find(target.folded) != std::string::npos)
        named.push_back(r);
    }
    // Any button at all is no answer to "the Delete button": only the named ones are.
    if (!named.empty() || phrase.kind == "button") refs = std::move(named);
  }
  if (!phrase.relation.empty()) {
    std::optional<Ref> anchor = anchor_of(lists, phrase);
    if (!anchor) return {};
    const Record& a = record_of(lists, *anchor);
    std::string anchor_xpath = get_string(a, "xpath");
    // A control inside the label that is the anchor (or acted on through it) is the one
    // the label names: it comes first, whatever the geometry says.
    bool label_anchor = get_string(a, "tag") == "label";
    std::vector<Ref> others, bound;
    for (const Ref& r : refs) {
      const Record& rec = record_of(lists, r);
      std::string xpath = get_string(rec, "xpath");
      if (!xpath::nested(xpath, anchor_xpath))
        others.push_back(r);
      else if (label_anchor || xpath == anchor_xpath)
        bound.push_back(r);
    }
    refs = in_relation(lists, others, box_of(a), phrase.relation);
    refs.insert(refs.begin(), bound.begin(), bound.end());
  }
  return answer(std::move(refs), ordinal, kByControlType);
}

std::string kind_of_element(const Record& element) {
  static const std::set<std::string> kNotText = {"checkbox", "radio", "submit", "button", "reset",
                                                 "image",    "file",  "hidden", "range",  "color"};
  std::string role = detail::attribute(element, "role");
  if (role == "checkbox" || role == "switch" || role == "menuitemcheckbox") return "checkbox";
  if (role == "radio" || role == "menuitemradio") return "radio";
  if (role == "combobox" || role == "listbox") return "select";
  if (role == "textbox" || role == "searchbox" || role == "spinbutton") return "textbox";
  std::string tag = get_string(element, "tag");
  if (tag == "select") return "select";
  if (tag == "textarea" || get_bool(element, "is_editable_field")) return "textbox";
  if (tag == "input") {
    std::string type = text::lower(detail::attribute(element, "type"));
    if (type == "checkbox" || type == "radio") return type;
    return kNotText.count(type) ? "" : "textbox";
  }
  return "";
}

bool contradicts_kind(const std::string& target, const Record& element) {
  return contradicts_kind(read_phrase(target), element);
}

bool contradicts_kind(const Phrase& target, const Record& element) {
  const std::string& kind = target.words.kind;
  if (kind.empty() || kind == "button") return false;
  std::string is = kind_of_element(element);
  if (kind == "select" && is.empty()) {
    // Bootstrap and friends mark the button that opens a menu.
    std::string cls = " " + detail::attribute(element, "class") + " ";
    if (cls.find(" dropdown-toggle ") != std::string::npos || cls.find(" dropdown ") != std::string::npos)
      return false;
  }
  return kind != is;
}

bool contradicts_name(const std::string& target, const Record& element) {
  return contradicts_name(read_phrase(target), element);
}

bool contradicts_name(const Phrase& target, const Record& element) {
  const detail::ControlPhrase& phrase = target.words;
  if (phrase.relation.empty() || phrase.name.empty()) return false;
  std::string surfaces =
      fold(get_string(element, "text") + " " + detail::attribute(element, "aria-label") + " " +
           detail::attribute(element, "title") + " " + detail::attribute(element, "_label") + " " +
           detail::attribute(element, "value"));
  return surfaces.find(phrase.name) == std::string::npos;
}

LadderResult resolve_present(const std::string& action, const std::string& target, const Lists& lists) {
  return resolve_present(action, read_phrase(target), lists);
}

LadderResult resolve_present(const std::string& action, const Phrase& target, const Lists& lists) {
  LadderResult result;
  if (!lists.hidden || (action != "verify_present" && action != "verify_text_present")) return result;
  const std::string& needle = action == "verify_present" ? target.bare : target.folded;
  if (needle.empty()) return result;
  std::vector<std::pair<std::size_t, std::size_t>> found;  // (length, index)
  for (std::size_t i = 0; i < lists.hidden->size(); ++i) {
    std::string t = fold(get_string((*lists.hidden)[i], "text"));
    if (t.find(needle) != std::string::npos) found.push_back({t.size(), i});
  }
  if (found.empty()) return result;
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  result.resolved = true;
  result.resolved_by = kByPresent;
  for (auto& f : found) result.candidates.push_back({Source::hidden, f.second});
  result.element = result.candidates.front();
  result.verified = true;  // in the document: present, whether shown or not
  return result;
}

LadderResult exact_name(const std::string& action, const std::string& target, const std::string& chosen_xpath,
                        const Lists& lists) {
  return exact_name(action, read_phrase(target), chosen_xpath, lists);
}

LadderResult exact_name(const std::string& action, const Phrase& target, const std::string& chosen_xpath,
                        const Lists& lists) {
  const std::string &whole = target.folded, &bare = target.bare;
  if (whole.empty()) return {};
  auto own_names = [](const Record& r, const Record* control) {
    std::vector<std::string> names = {fold(get_string(r, "text")), fold(detail::attribute(r, "aria-label")),
                                      fold(detail::attribute(r, "title"))};
    std::string tag = get_string(r, "tag");
    if (tag == "input" || tag == "textarea" || tag == "select")
      names.push_back(fold(detail::attribute(r, "_label")));
    if (tag == "input") names.push_back(fold(detail::attribute(r, "value")));
    if (control) names.push_back(fold(get_string(*control, "name")));
    return names;
  };
  for (const std::string& wanted : {whole, bare}) {
    RefSet found;
    bool chosen_is_named = false;
    for (std::size_t i = 0; i < lists.dom_elements.size(); ++i) {
      const Record& e = lists.dom_elements[i];
      if (!descriptor_fits(action, e)) continue;
      auto names = own_names(e, nullptr);
      if (std::find(names.begin(), names.end(), wanted) == names.end()) continue;
      if (get_string(e, "xpath") == chosen_xpath) chosen_is_named = true;
      found.add({Source::dom_elements, i});
    }
    for (std::size_t i = 0; i < lists.controls.size(); ++i) {
      const Record& c = lists.controls[i];
      if (!action_fits(action, get_string(c, "kind")) || fold(get_string(c, "name")) != wanted) continue;
      if (action == "type" && get_string(c, "kind") == "button") continue;
      if (action == "select" && get_string(c, "kind") == "button") continue;
      Ref ref = as_ref(lists, i);
      if (get_string(record_of(lists, ref), "xpath") == chosen_xpath) chosen_is_named = true;
      found.add(ref);
    }
    if (chosen_is_named) return {};
    if (found.empty()) continue;
    std::vector<Ref> refs = std::move(found.list);
    reading_order(lists, refs);
    visible_first(lists, refs);
    return answer(std::move(refs), 1, kByExactText);
  }
  return {};
}

std::vector<std::size_t> retry_order(const std::string& action, const std::vector<Record>& candidates,
                                     std::size_t failed) {
  static const std::set<std::string> kNotTypeable = {"checkbox", "radio", "submit", "button", "reset",
                                                     "image",    "file",  "hidden", "range",  "color"};
  std::string failed_xpath = failed < candidates.size() ? get_string(candidates[failed], "xpath") : "";
  std::vector<std::size_t> order;
  std::set<std::string> tried;  // one element listed by two harvest sources is tried once
  for (std::size_t k = 1; k <= candidates.size(); ++k) {
    std::size_t i = (failed + k) % candidates.size();  // the next ones first, then the earlier ones
    const Record& c = candidates[i];
    std::string xpath = get_string(c, "xpath");
    if (i == failed || (!xpath.empty() && (xpath == failed_xpath || tried.count(xpath)))) continue;
    std::string tag = get_string(c, "tag");
    if (action == "type") {
      if (!descriptor_fits("type", c)) continue;
      if (tag == "input" && kNotTypeable.count(text::lower(detail::attribute(c, "type")))) continue;
    }
    if (action == "select" && tag != "select") continue;
    order.push_back(i);
    tried.insert(xpath);
  }
  return order;
}

bool may_have_row_twin(const Phrase& target) {
  const detail::ControlPhrase& phrase = target.words;
  // A name or a kind says what to look for; an ordinal counts along the rules' own order.
  return !(phrase.name.empty() && phrase.kind.empty()) && !phrase.relation.empty() && phrase.ordinal == 0;
}

LadderResult row_twin(const std::string& action, const std::string& target, const std::string& chosen_xpath,
                      const Lists& lists) {
  return row_twin(action, read_phrase(target), chosen_xpath, lists);
}

LadderResult row_twin(const std::string& action, const Phrase& target, const std::string& chosen_xpath,
                      const Lists& lists) {
  if (!may_have_row_twin(target)) return {};
  const detail::ControlPhrase& phrase = target.words;
  LadderResult found = resolve_by_control_type(action, target, 1, lists);
  if (!found.resolved || !found.element) return {};
  std::string found_xpath = get_string(record_of(lists, *found.element), "xpath");
  std::optional<Ref> anchor = anchor_of(lists, phrase);
  if (!anchor || found_xpath == chosen_xpath || chosen_xpath.empty()) return {};
  std::string a = get_string(record_of(lists, *anchor), "xpath");
  if (xpath::prefix_distance(found_xpath, a) >= xpath::prefix_distance(chosen_xpath, a)) return {};
  return found;
}

}  // namespace kelvo::ladder
