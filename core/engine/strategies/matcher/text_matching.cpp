#include "engine/strategies/matcher/text_matching.h"

#include <algorithm>

#include "common/geometry.h"
#include "common/text.h"
#include "engine/strategies/matcher/fast_text.h"
#include "engine/strategies/matcher/record_reading.h"
#include "engine/strategies/matcher/tables.h"

namespace kelvo::matcher {

namespace {

using detail::attributes_of;
using detail::text_of;

void replace_all(std::string& text, char from, char to) { std::replace(text.begin(), text.end(), from, to); }

// Words of a class, id or data-attribute name that read as names: long enough and free
// of digits (generated ids like "col-md-6" or "x1f3" say nothing to a reader).
bool is_name_word(std::string_view word, std::size_t min_length) {
  return text::length(word) >= min_length && !detail::has_digit(word);
}

std::string join(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& word : words) {
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

void add_class_words(const std::string& class_string, std::vector<std::string>& surfaces) {
  if (class_string.empty()) return;
  std::vector<std::string> kept;
  for (auto& token : detail::split(class_string)) {
    if (!is_name_word(token, 4)) continue;
    replace_all(token, '_', ' ');
    replace_all(token, '-', ' ');
    kept.push_back(std::move(token));
  }
  if (!kept.empty()) surfaces.push_back(join(kept));
}

void add_id_words(std::string id, std::vector<std::string>& surfaces) {
  if (id.empty()) return;
  replace_all(id, '_', ' ');
  replace_all(id, '-', ' ');
  std::vector<std::string> kept;
  for (auto& piece : detail::split(id)) {
    if (is_name_word(piece, 4)) kept.push_back(std::move(piece));
  }
  if (!kept.empty()) surfaces.push_back(join(kept));
}

void add_data_words(const Record& attributes, std::vector<std::string>& surfaces) {
  for (auto it = attributes.begin(); it != attributes.end(); ++it) {
    const std::string& key = it.key();
    if (key.rfind("data-", 0) != 0 || key == "data-testid") continue;
    std::string name = key.substr(5);
    replace_all(name, '-', ' ');
    replace_all(name, '_', ' ');
    std::vector<std::string> kept;
    for (auto& piece : detail::split(name)) {
      if (is_name_word(piece, 2)) kept.push_back(std::move(piece));
    }
    if (!kept.empty()) surfaces.push_back(join(kept));
  }
}

}  // namespace

std::string strip_type_descriptors(std::string_view target) {
  std::vector<std::string> words = detail::split(target);
  auto descriptor = [](const std::string& word) { return in_table(TYPE_DESCRIPTORS, detail::lower(word)); };
  std::size_t end = words.size();
  while (end > 0 && descriptor(words[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && descriptor(words[begin])) ++begin;
  if (begin == end) return std::string(target);
  std::vector<std::string> kept(words.begin() + static_cast<std::ptrdiff_t>(begin),
                                words.begin() + static_cast<std::ptrdiff_t>(end));
  return join(kept);
}

std::vector<std::string> searchable_strings(const Record& element, bool include_label) {
  std::vector<std::string> surfaces;
  std::string own_text = text_of(element);
  if (!own_text.empty()) surfaces.push_back(std::move(own_text));

  const Record* attributes = attributes_of(element);
  if (!attributes) return surfaces;
  for (std::string_view name : MATCH_ATTRIBUTES) {
    if (name == "_label" && !include_label) continue;
    std::string value = get_string(*attributes, name);
    if (!value.empty()) surfaces.push_back(std::move(value));
  }
  add_class_words(get_string(*attributes, "class"), surfaces);
  add_id_words(get_string(*attributes, "id"), surfaces);
  add_data_words(*attributes, surfaces);
  return surfaces;
}

std::string normalise(std::string_view text) {
  std::string out = detail::lower(text);
  replace_all(out, '_', ' ');
  replace_all(out, '-', ' ');
  return out;
}

TargetMatch::TargetMatch(std::string_view target) : needle_(normalise(target)) {}

// Surfaces are normalised like the target, so an element can be found by its own
// hyphenated name ("E-mail", "Sign-in").
bool TargetMatch::contains(const Record& element, bool include_label) const {
  for (const auto& surface : searchable_strings(element, include_label)) {
    if (normalise(surface).find(needle_) != std::string::npos) return true;
  }
  return false;
}

bool TargetMatch::exact(const Record& element, bool include_label) const {
  for (const auto& surface : searchable_strings(element, include_label)) {
    if (text::strip(normalise(surface)) == needle_) return true;
  }
  return false;
}

bool matches_element(std::string_view target, const Record& element, bool include_label) {
  return TargetMatch(target).contains(element, include_label);
}

bool exact_matches_element(std::string_view target, const Record& element, bool include_label) {
  return TargetMatch(target).exact(element, include_label);
}

std::optional<std::vector<std::size_t>> filter_by_action(std::string_view action, const Elements& elements) {
  bool typing = action == "type";
  if (!typing && action != "select") return std::nullopt;
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const Record& element = elements[i];
    std::string tag = get_string(element, "tag");
    bool admitted = typing ? (in_table(TYPEABLE_TAGS, tag) ||
                              in_table(TYPEABLE_ROLES, detail::attribute(element, "role")) ||
                              detail::truthy(find_key(element, "is_editable_field")))
                           : in_table(SELECTABLE_TAGS, tag);
    if (admitted) kept.push_back(i);
  }
  if (kept.empty()) return std::nullopt;
  return kept;
}

std::int64_t dom_distance(std::string_view xpath_a, std::string_view xpath_b) {
  return xpath::prefix_distance(xpath_a, xpath_b);
}

}  // namespace kelvo::matcher
