// Which element a step's record names when the rules chose what stands for a control: the
// record must name the control a person means, or the report, the identity check and every
// later state check talk about a wrapper.
#include <set>

#include "engine/agent/ladder/geometry.h"
#include "engine/agent/ladder/ladder.h"

namespace kelvo::ladder {

namespace {

using detail::attribute;
using detail::fold;

// Elements that are controls in their own right, and the roles that make any element one.
const std::set<std::string> kControlTags = {"input", "select", "textarea", "button", "a", "option", "summary"};
const std::set<std::string> kWidgetRoles = {
    "button",   "checkbox", "switch",    "radio",   "tab",    "option",  "menuitem", "menuitemcheckbox",
    "menuitemradio", "combobox", "listbox", "slider", "spinbutton", "textbox", "searchbox", "link", "treeitem"};

bool inside(const std::string& child, const std::string& parent) {
  return !parent.empty() && child.size() > parent.size() && child.compare(0, parent.size(), parent) == 0 &&
         child[parent.size()] == '/';
}

bool within(const std::string& child, const std::string& parent) { return child == parent || inside(child, parent); }

// The kinds that take a click a wrapper stood for.
bool clickable_kind(const std::string& kind) {
  return kind == "button" || kind == "tab" || kind == "checkbox" || kind == "radio" || kind == "option" ||
         kind == "select" || kind == "combobox";
}

std::string surfaces_of(const Record& control) {
  return fold(get_string(control, "name")) + " | " + fold(get_string(control, "text")) + " | " +
         fold(attribute(control, "_label"));
}

// The element's own tag, read from its path: the harvest calls a clickable div a button.
std::string own_tag(const Record& element) {
  const std::string xpath = get_string(element, "xpath");
  const std::size_t slash = xpath.rfind('/');
  if (slash == std::string::npos) return get_string(element, "tag");
  const std::string step = xpath.substr(slash + 1, xpath.find('[', slash) - slash - 1);
  return step.empty() || step[0] == '#' ? get_string(element, "tag") : text::lower(step);
}

}  // namespace

bool is_control(const Record& element) {
  const std::string role = text::lower(attribute(element, "role"));
  if (kWidgetRoles.count(role)) return true;
  const std::string tag = own_tag(element);
  if (tag == "a") return !attribute(element, "href").empty() || get_bool(element, "is_enabled", true);
  return kControlTags.count(tag) > 0;
}

bool may_stand_for_control(const Record& element) {
  const std::string tag = own_tag(element);
  const std::string role = text::lower(attribute(element, "role"));
  return !is_control(element) || tag == "select" || role == "listbox";
}

std::optional<Ref> control_of(const Lists& lists, const Record& element, const Phrase& target) {
  const std::string xpath = get_string(element, "xpath");
  if (xpath.empty()) return std::nullopt;
  const std::string tag = own_tag(element);
  const std::string role = text::lower(attribute(element, "role"));
  if (tag == "select" || role == "listbox") {
    // "click Poetry" on a list box: the option of that name, not the whole list.
    for (const std::string* wanted : {&target.folded, &target.bare}) {
      for (std::size_t i = 0; i < lists.controls.size(); ++i) {
        const Record& c = lists.controls[i];
        if (get_string(c, "kind") == "option" && inside(get_string(c, "xpath"), xpath) &&
            fold(get_string(c, "name")) == *wanted)
          return Ref{Source::controls, i};
      }
    }
    return std::nullopt;
  }
  if (is_control(element)) return std::nullopt;
  // Inside a control (a div in a summary, a span in a button): the control takes the click.
  std::optional<std::size_t> around;
  std::size_t around_depth = 0;
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    const Record& c = lists.controls[i];
    const std::string at = get_string(c, "xpath");
    const std::string label = get_string(c, "label_xpath");
    // The control's label stands for it, and so does all inside the label.
    const bool by_label = !label.empty() && within(xpath, label);
    if (!clickable_kind(get_string(c, "kind")) && !by_label) continue;
    if (!by_label && !inside(xpath, at)) continue;
    const std::string& holder = by_label ? label : at;
    if (!around || holder.size() > around_depth) {
      around = i;
      around_depth = holder.size();
    }
  }
  if (around) return Ref{Source::controls, *around};
  // A wrapper holding the one control its words name (a layout div around a button, a
  // label around its input): that control.
  const std::string own = fold(get_string(element, "text"));
  std::optional<std::size_t> held;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    const Record& c = lists.controls[i];
    const std::string at = get_string(c, "xpath");
    if (!inside(at, xpath) || !seen.insert(at).second) continue;
    const std::string surfaces = surfaces_of(c);
    const bool named = (!target.bare.empty() && surfaces.find(target.bare) != std::string::npos) ||
                       (!own.empty() && (fold(get_string(c, "name")) == own || fold(get_string(c, "text")) == own));
    if (!named) continue;
    if (held) return std::nullopt;  // two controls answer: the wrapper is what was meant
    held = i;
  }
  if (held) return Ref{Source::controls, *held};
  return std::nullopt;
}

std::optional<Ref> stand_in_of(const Lists& lists, const Record& element) {
  const std::string xpath = get_string(element, "xpath");
  if (xpath.empty()) return std::nullopt;
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    if (get_string(lists.controls[i], "stands_for") == xpath) return Ref{Source::controls, i};
  }
  return std::nullopt;
}

std::optional<std::size_t> control_at(const Lists& lists, const std::string& xpath) {
  for (std::size_t i = 0; i < lists.controls.size(); ++i) {
    if (get_string(lists.controls[i], "xpath") == xpath) return i;
  }
  return std::nullopt;
}

}  // namespace kelvo::ladder
