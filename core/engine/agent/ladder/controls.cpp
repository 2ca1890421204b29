// Controls named by their label, and controls named by the tester's word for their type.
#include <algorithm>
#include <cctype>
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
      index->control_names[get_string(control, "xpath")] +=
          " " + detail::fold(get_string(control, "name")) + " " + detail::fold(get_string(control, "icon"));
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

// A field for searching, as a person reads it: its type or role, or "search" in its name.
bool searchy(const Record& element) {
  if (get_bool(element, "search")) return true;
  const std::string type = text::lower(detail::attribute(element, "type"));
  const std::string role = text::lower(detail::attribute(element, "role"));
  if (type == "search" || role == "searchbox") return true;
  for (const char* key : {"placeholder", "aria-label", "_label", "name", "id", "title"}) {
    if (fold(detail::attribute(element, key)).find("search") != std::string::npos) return true;
  }
  return fold(get_string(element, "name")).find("search") != std::string::npos;
}

bool kind_fits(const std::string& group, const Record& control) {
  std::string kind = get_string(control, "kind");
  // A button that opens a menu is what testers call a dropdown.
  if (group == "select")
    return kind == "select" || kind == "combobox" || (kind == "button" && get_bool(control, "popup"));
  if (group == "button") return kind == "button" || kind == "tab";
  if (group == "search") return kind == "textbox" && searchy(control);
  return group == kind;
}

// Which control kinds an action can use; any kind for actions that only point.
bool action_fits(const std::string& action, const std::string& kind) {
  if (action == "type") return kind == "textbox" || kind == "combobox" || kind == "slider";
  if (action == "select") return kind == "select" || kind == "combobox";
  return true;
}

// The same for a control record: a button that opens a list is something to pick from.
bool control_fits(const std::string& action, const Record& control) {
  const std::string kind = get_string(control, "kind");
  return action_fits(action, kind) || (action == "select" && kind == "button" && get_bool(control, "popup"));
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

// Where a control is drawn: a hidden input drawn by its label sits where the label is.
Box place_of(const Record& record) {
  if (const Record* drawn = find_key(record, "drawn_box")) {
    Record holder = Record::object();
    holder["bounding_box"] = *drawn;
    return box_of(holder);
  }
  return box_of(record);
}

// A control answers with the harvested descriptor of the same element when there is one,
// so the agent acts on the very record it harvested.
Ref as_ref(const Lists& lists, std::size_t control) {
  // A control drawn by its label, or standing in for a hidden one, answers with its own
  // record: the harvest's descriptor knows neither.
  const Record& record = lists.controls[control];
  if (find_key(record, "drawn_box") || find_key(record, "stands_for") || get_bool(record, "editor"))
    return {Source::controls, control};
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
    Box ba = place_of(record_of(lists, a)), bb = place_of(record_of(lists, b));
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

// The anchors a relation may measure from: visible text first (harvested, then extended),
// then the text of interactable elements; exact first lines before prefixes. The copy a
// person reads first leads (see first_read), the other copies follow in reading order.
std::vector<Ref> find_anchors(const Lists& lists, const std::string& anchor) {
  struct Pool {
    Source source;
    const std::vector<Record>* records;
  };
  const Pool pools[] = {{Source::text_elements, &lists.text_elements},
                        {Source::texts, &lists.texts},
                        {Source::dom_elements, &lists.dom_elements}};
  std::vector<Ref> ordered;
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
    // Of repeated copies (a card title and a badge), the one read first leads; exact copies
    // before those the words only begin ("Price" before a header reading "Price ▲").
    std::size_t first = detail::first_read(
        hits.size(), [&](std::size_t k) -> const Record& { return record_of(lists, hits[k]); });
    if (first < hits.size()) {
      ordered.push_back(hits[first]);
      hits.erase(hits.begin() + static_cast<std::ptrdiff_t>(first));
      reading_order(lists, hits);
      ordered.insert(ordered.end(), hits.begin(), hits.end());
    }
  }
  return ordered;
}

// Whether a word a tester wrote names a control through its attributes: "operator" for a
// select whose id or name is "f-op" or "filter_operator". Words of two letters or more.
bool attribute_names(const Record& control, const std::string& word) {
  std::string all = get_string(control, "name");
  for (const char* key : {"id", "name", "class", "placeholder", "aria-label", "title", "_label"})
    all += " " + detail::attribute(control, key);
  std::string token;
  auto matches = [&](const std::string& t) {
    return t.size() >= 2 && (word.rfind(t, 0) == 0 || t.rfind(word, 0) == 0);
  };
  for (char c : text::lower(all) + " ") {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      token += c;
      continue;
    }
    if (matches(token)) return true;
    token.clear();
  }
  return false;
}

std::vector<Ref> controls_named(const Lists& lists, const detail::ControlPhrase& phrase);

// An anchor that is itself a control described by its kind ("right of the operator
// dropdown", "below the first field"), when no text on the page reads so.
std::optional<Ref> control_anchor(const Lists& lists, const std::string& anchor) {
  const detail::ControlPhrase words = detail::parse_control_phrase(anchor);
  if (words.kind.empty() || !words.relation.empty()) return std::nullopt;
  std::vector<Ref> found = controls_named(lists, words);
  if (found.empty()) return std::nullopt;
  const std::int64_t ordinal = words.ordinal;
  if (ordinal < 0) return found.back();
  const std::size_t pick = ordinal == 0 ? 0 : static_cast<std::size_t>(ordinal - 1);
  return pick < found.size() ? std::optional<Ref>(found[pick]) : std::nullopt;
}

// The anchors as the tester wrote them, their leading article included ("next to The
// Aleph" names a title), then without the article ("next to the Save button"), then a
// control described by its kind.
std::vector<Ref> anchors_of(const Lists& lists, const detail::ControlPhrase& phrase) {
  if (phrase.anchor_as_written != phrase.anchor) {
    std::vector<Ref> written = find_anchors(lists, phrase.anchor_as_written);
    if (!written.empty()) return written;
  }
  std::vector<Ref> found = find_anchors(lists, phrase.anchor);
  if (found.empty()) {
    if (auto control = control_anchor(lists, phrase.anchor_as_written)) found.push_back(*control);
  }
  return found;
}

std::optional<Ref> anchor_of(const Lists& lists, const detail::ControlPhrase& phrase) {
  std::vector<Ref> found = anchors_of(lists, phrase);
  return found.empty() ? std::nullopt : std::optional<Ref>(found.front());
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
    Box e = place_of(record_of(lists, r));
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

// The candidates in the relation to one anchor, nearest first, with the gap from the anchor
// to the nearest. A control inside the label that is the anchor is the one the label names
// and comes first; a control inside a text anchor (the menu button of a header cell reading
// "Email") lies beside the anchor's words when it is not where they begin.
struct Placed {
  std::vector<Ref> refs;
  double gap = 0;
};

Placed place_from(const Lists& lists, const std::vector<Ref>& refs, const Record& a, const std::string& relation) {
  const std::string anchor_xpath = get_string(a, "xpath");
  const bool label_anchor = get_string(a, "tag") == "label";
  const Box ab = box_of(a);
  constexpr double kWordsStart = 8;  // pixels: an element this near the anchor's start stands on its words
  std::vector<Ref> others, bound, beside;
  for (const Ref& r : refs) {
    const std::string xpath = get_string(record_of(lists, r), "xpath");
    if (!xpath::nested(xpath, anchor_xpath)) {
      others.push_back(r);
    } else if (xpath != anchor_xpath) {
      const Box e = place_of(record_of(lists, r));
      if (label_anchor)
        bound.push_back(r);
      else if ((relation == "right" || relation == "next_to" || relation == "near") && e.x > ab.x + kWordsStart)
        beside.push_back(r);
      else if ((relation == "left" || relation == "next_to" || relation == "near") && e.right() < ab.right() - kWordsStart &&
               e.x <= ab.x + kWordsStart)
        beside.push_back(r);
    }
  }
  Placed out;
  out.refs = in_relation(lists, others, ab, relation);
  if (!out.refs.empty()) {
    const Box e = place_of(record_of(lists, out.refs.front()));
    out.gap = std::hypot(std::max({0.0, e.x - ab.right(), ab.x - e.right()}),
                         std::max({0.0, e.y - ab.bottom(), ab.y - e.bottom()})) +
              2 * std::abs(e.centre_y() - ab.centre_y());
  }
  if (!beside.empty() || !bound.empty()) out.gap = 0;
  std::stable_sort(beside.begin(), beside.end(), [&](const Ref& x, const Ref& y) {
    return place_of(record_of(lists, x)).x < place_of(record_of(lists, y)).x;
  });
  out.refs.insert(out.refs.begin(), beside.begin(), beside.end());
  out.refs.insert(out.refs.begin(), bound.begin(), bound.end());
  return out;
}

// The visible controls of the phrase's kind that fit its name, in reading order: every one
// of the kind when the phrase names none. For anchors named by kind.
std::vector<Ref> controls_named(const Lists& lists, const detail::ControlPhrase& phrase) {
  std::vector<Ref> found;
  std::vector<std::string> words = text::split(phrase.name);
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    const Record& c = lists.controls[i];
    if (!kind_fits(phrase.kind, c) || !get_bool(c, "is_visible", true)) continue;
    bool named = true;
    for (const std::string& w : words) named = named && attribute_names(c, w);
    if (named) found.push_back(as_ref(lists, i));
  }
  reading_order(lists, found);
  return found;
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
      if (control_fits(action, c) && names(get_string(c, "name"))) found.add(as_ref(lists, i));
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
    if (kind_fits(phrase.kind, c) && control_fits(action, c) &&
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
    // Of repeated anchors (a facet link and a column header both saying City), the one
    // with what the phrase seeks nearest in that direction; the one read first of equals.
    std::optional<Placed> best;
    std::optional<Ref> from;
    for (const Ref& anchor : anchors_of(lists, phrase)) {
      Placed placed = place_from(lists, refs, record_of(lists, anchor), phrase.relation);
      if (placed.refs.empty() || (best && placed.gap >= best->gap)) continue;
      best = std::move(placed);
      from = anchor;
    }
    if (!best) return {};
    LadderResult out = answer(std::move(best->refs), ordinal, kByControlType);
    out.anchor = from;
    return out;
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
  if (role == "slider") return "slider";
  if (role == "option") return "option";
  std::string tag = get_string(element, "tag");
  if (tag == "select") return "select";
  if (tag == "option") return "option";
  if (tag == "textarea" || get_bool(element, "is_editable_field")) return "textbox";
  if (tag == "input") {
    std::string type = text::lower(detail::attribute(element, "type"));
    if (type == "checkbox" || type == "radio") return type;
    if (type == "range") return "slider";
    return kNotText.count(type) ? "" : "textbox";
  }
  return "";
}

bool contradicts_kind(const std::string& target, const Record& element) {
  return contradicts_kind(read_phrase(target), element);
}

bool contradicts_kind(const Phrase& target, const Record& element) {
  const std::string& kind = target.words.kind;
  if (kind.empty()) return false;
  std::string is = kind_of_element(element);
  // A button word fits anything clicked but a field: "the icon right of City" is no text box.
  if (kind == "button") return is == "textbox" || is == "select" || is == "slider";
  if (kind == "search") return is != "textbox" || !searchy(element);
  if (kind == "select" && is.empty()) {
    // A button that opens a list.
    if (!detail::attribute(element, "aria-haspopup").empty()) return false;
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
      if (!control_fits(action, c) || fold(get_string(c, "name")) != wanted) continue;
      if (action == "type" && get_string(c, "kind") == "button") continue;
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

std::optional<Ref> column_cell(const Phrase& target, const Lists& lists) {
  const detail::ControlPhrase& phrase = target.words;
  if (phrase.relation != "below" || phrase.anchor.empty()) return std::nullopt;
  struct Pool {
    Source source;
    const std::vector<Record>* records;
  };
  const Pool pools[] = {{Source::text_elements, &lists.text_elements}, {Source::texts, &lists.texts}};
  auto header = [&](const Record& r) {
    const std::string tag = get_string(r, "tag");
    if (tag != "th" && text::lower(detail::attribute(r, "role")) != "columnheader") return false;
    const std::string line = detail::first_line(get_string(r, "text"));
    for (const std::string* anchor : {&phrase.anchor_as_written, &phrase.anchor}) {
      // "Price ▲": the header's own words, then its sort arrow or menu.
      if (line == *anchor || (line.rfind(*anchor + " ", 0) == 0 && line.size() > anchor->size())) return true;
    }
    return false;
  };
  std::vector<Ref> headers;
  for (const Pool& pool : pools) {
    for (std::size_t i = 0; i < pool.records->size(); ++i) {
      if (header((*pool.records)[i]) && detail::has_box((*pool.records)[i])) headers.push_back({pool.source, i});
    }
  }
  if (headers.empty()) return std::nullopt;
  reading_order(lists, headers);
  const Record& h = record_of(lists, headers.front());
  const std::string hx = get_string(h, "xpath");
  // The table the header heads: its path up to the table (or, in a grid of divs, the row's parent).
  std::string table;
  const std::size_t at = hx.rfind("/table[");
  if (at != std::string::npos) {
    table = hx.substr(0, hx.find('/', at + 1));
  } else {
    table = hx;
    for (int up = 0; up < 2 && table.rfind('/') != std::string::npos; ++up) table.erase(table.rfind('/'));
  }
  const Box hb = box_of(h);
  std::optional<Ref> best;
  double best_y = 0;
  for (const Pool& pool : pools) {
    for (std::size_t i = 0; i < pool.records->size(); ++i) {
      const Record& r = (*pool.records)[i];
      const std::string x = get_string(r, "xpath");
      if (x.rfind(table + "/", 0) != 0 || xpath::nested(x, hx) || get_string(r, "tag") == "th") continue;
      if (text::strip(get_string(r, "text")).empty() || !detail::has_box(r)) continue;
      const Box e = box_of(r);
      if (e.y < hb.bottom() - 1 || e.right() <= hb.x || e.x >= hb.right()) continue;
      if (!best || e.y < best_y) {
        best = Ref{pool.source, i};
        best_y = e.y;
      }
    }
  }
  return best;
}

std::optional<Ref> value_in_direction(const Phrase& target, const Record* found, const Lists& lists) {
  const detail::ControlPhrase& phrase = target.words;
  if (phrase.relation.empty()) return std::nullopt;
  std::vector<Ref> sliders;
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    const Record& c = lists.controls[i];
    if (get_string(c, "kind") == "slider" && get_bool(c, "is_visible", true) &&
        !text::strip(get_string(c, "value_text")).empty())
      sliders.push_back({Source::controls, i});
  }
  if (sliders.empty()) return std::nullopt;
  std::optional<Ref> anchor = anchor_of(lists, phrase);
  if (!anchor) return std::nullopt;
  const Box a = box_of(record_of(lists, *anchor));
  std::vector<Ref> near = in_relation(lists, sliders, a, phrase.relation);
  if (near.empty()) return std::nullopt;
  if (!found) return near.front();
  // Edge to edge: the slider answers only when it stands nearer the anchor than that text.
  auto gap = [&](const Box& e) {
    return std::hypot(std::max({0.0, e.x - a.right(), a.x - e.right()}),
                      std::max({0.0, e.y - a.bottom(), a.y - e.bottom()}));
  };
  if (gap(place_of(record_of(lists, near.front()))) < gap(box_of(*found))) return near.front();
  return std::nullopt;
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
  std::optional<Ref> anchor = found.anchor ? found.anchor : anchor_of(lists, phrase);
  if (!anchor || found_xpath == chosen_xpath || chosen_xpath.empty()) return {};
  std::string a = get_string(record_of(lists, *anchor), "xpath");
  if (xpath::prefix_distance(found_xpath, a) >= xpath::prefix_distance(chosen_xpath, a)) return {};
  return found;
}

}  // namespace kelvo::ladder
