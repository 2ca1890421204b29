#include "engine/browser/harvester/constants.h"

namespace kelvo::harvester {

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

const std::vector<std::string> NATIVE_TAGS = {"button", "input", "a", "select", "textarea"};

const std::vector<std::string> ARIA_ROLES = {
    "button",           "link",          "textbox", "checkbox", "menuitem",
    "menuitemcheckbox", "menuitemradio", "option",  "combobox", "searchbox",
    "spinbutton",       "switch",        "tab"};

namespace {

std::string interactable_selector() {
  std::vector<std::string> parts = NATIVE_TAGS;
  for (const auto& role : ARIA_ROLES) parts.push_back("[role=\"" + role + "\"]");
  parts.insert(parts.end(), {"img[alt]", "img[data-testid]", "[data-testid]"});
  return join(parts, ", ");
}

std::string custom_input_selector() {
  const std::string not_wrapper = ":not(:has(input, textarea, select, button))";
  std::vector<std::string> parts;
  for (const char* cls : {"editable", "input"}) {
    for (const char* tag : {"span", "div"}) {
      parts.push_back(std::string(tag) + "[class*='" + cls + "']" + not_wrapper);
    }
  }
  return join(parts, ", ");
}

}  // namespace

const std::string INTERACTABLE_SELECTOR = interactable_selector();

const std::vector<std::string> CAPTURED_ATTRIBUTES = {
    "id",   "name",  "type",  "placeholder", "aria-label", "aria-labelledby", "title", "role",
    "href", "value", "class", "data-testid", "alt"};

const std::vector<std::string> TEXT_TAGS = {"h1",    "h2", "h3", "h4", "h5", "h6",     "p",  "span",
                                            "label", "li", "td", "th", "a",  "button", "div"};

const std::string TEXT_SELECTOR = join(TEXT_TAGS, ", ");

const std::vector<std::string> TEXT_ATTRIBUTES = {"id", "class", "href", "aria-label"};

const std::string CUSTOM_INPUT_SELECTOR = custom_input_selector();

const std::string LABEL_CANDIDATE_SELECTOR = "h1, h2, h3, h4, h5, h6, label, div, span, p";

}  // namespace kelvo::harvester
