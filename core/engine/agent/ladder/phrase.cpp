#include "engine/agent/ladder/phrase.h"

#include <map>
#include <vector>

#include "common/text.h"
#include "common/vocabulary.h"
#include "engine/agent/ladder/geometry.h"
#include "engine/agent/ladder/ladder.h"

namespace kelvo::ladder {

namespace {

// The ladder's kind groups: links and icons act as buttons do.
std::string kind_group(vocabulary::ControlKind kind) {
  switch (kind) {
    case vocabulary::ControlKind::checkbox: return "checkbox";
    case vocabulary::ControlKind::radio: return "radio";
    case vocabulary::ControlKind::select: return "select";
    case vocabulary::ControlKind::textbox: return "textbox";
    case vocabulary::ControlKind::tab: return "tab";
    case vocabulary::ControlKind::button:
    case vocabulary::ControlKind::link: return "button";
    case vocabulary::ControlKind::none: break;
  }
  return "";
}

// One- and two-word names of a control kind, singular and plural. Tabs and buttons are
// kinds of their own; a button word never contradicts the rules' choice (see contradicts_kind).
const std::map<std::string, std::string>& kind_words() {
  static const std::map<std::string, std::string> words = [] {
    std::map<std::string, std::string> out;
    for (const auto& row : vocabulary::kLadderKindWords) out.emplace(row.word, kind_group(row.kind));
    // Kinds only the agent reads: fields for searching, editors, sliders. ("Options" is no
    // kind word: "Advanced options" names a disclosure.)
    for (const char* word : {"search box", "search field", "search input", "search bar", "searchbox"})
      out.emplace(word, "search");
    for (const char* word : {"editor", "code editor", "text editor", "editors"}) out.emplace(word, "textbox");
    for (const char* word : {"slider", "sliders"}) out.emplace(word, "slider");
    return out;
  }();
  return words;
}

const std::map<std::string, std::string>& relation_words() {
  static const std::map<std::string, std::string> words = [] {
    std::map<std::string, std::string> out;
    for (const auto& row : vocabulary::kControlRelations) out.emplace(row.phrase, row.relation);
    return out;
  }();
  return words;
}

const std::map<std::string, std::int64_t>& ordinal_words() {
  static const std::map<std::string, std::int64_t> words = [] {
    std::map<std::string, std::int64_t> out;
    for (const auto& row : vocabulary::kOrdinalWords) out.emplace(row.word, row.number);
    return out;
  }();
  return words;
}

bool is_article(const std::string& w) { return vocabulary::is_article(w); }

std::string join(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to && i < words.size(); ++i) {
    if (!out.empty()) out += ' ';
    out += words[i];
  }
  return out;
}

// Length of the kind phrase starting at word i (two words before one), 0 when none.
std::size_t kind_at(const std::vector<std::string>& words, std::size_t i, std::string* kind) {
  for (std::size_t len : {2u, 1u}) {
    if (i + len > words.size()) continue;
    auto it = kind_words().find(join(words, i, i + len));
    if (it != kind_words().end()) {
      if (kind) *kind = it->second;
      return len;
    }
  }
  return 0;
}

}  // namespace

std::string kind_of_word(const std::string& word) {
  auto it = kind_words().find(detail::fold(word));
  return it == kind_words().end() ? std::string() : it->second;
}

namespace detail {

ControlPhrase parse_control_phrase(const std::string& target) {
  ControlPhrase phrase;
  std::vector<std::string> words = text::split(text::lower(target));
  // The relation splits the phrase: the sought control before it, the anchor after it.
  // "to the left of" reads as "left of".
  std::size_t rel_at = words.size(), rel_len = 0;
  for (std::size_t i = 0; i < words.size() && rel_len == 0; ++i) {
    for (std::size_t len : {2u, 1u}) {
      auto it = relation_words().find(join(words, i, i + len));
      if (i + len <= words.size() && it != relation_words().end()) {
        phrase.relation = it->second;
        rel_at = i;
        rel_len = len;
        break;
      }
    }
  }
  std::size_t before_end = rel_at;
  if (rel_len && before_end >= 2 && words[before_end - 1] == "the" && words[before_end - 2] == "to")
    before_end -= 2;
  std::vector<std::string> name;
  for (std::size_t i = 0; i < before_end;) {
    std::string kind;
    if (std::size_t len = kind_at(words, i, &kind)) {
      if (phrase.kind.empty()) phrase.kind = kind;
      i += len;
      continue;
    }
    auto ord = ordinal_words().find(words[i]);
    if (ord != ordinal_words().end() && phrase.ordinal == 0) {
      phrase.ordinal = ord->second;
    } else if (!is_article(words[i])) {
      name.push_back(words[i]);
    }
    ++i;
  }
  phrase.name = join(name, 0, name.size());
  if (rel_len) {
    std::size_t from = rel_at + rel_len;
    phrase.anchor_as_written = fold(join(words, from, words.size()));
    while (from < words.size() && is_article(words[from])) ++from;
    phrase.anchor = fold(join(words, from, words.size()));
    if (phrase.anchor.empty()) phrase.relation.clear();
  }
  return phrase;
}

std::string strip_type_words(const std::string& target) {
  std::vector<std::string> words = text::split(target);
  std::vector<std::string> lower = text::split(text::lower(target));
  std::size_t from = 0, to = words.size();
  auto is_type = [&](std::size_t i, std::size_t len) {
    std::string k;
    return kind_at(lower, i, &k) == len;
  };
  while (to > from) {
    if (to - from >= 2 && is_type(to - 2, 2))
      to -= 2;
    else if (is_type(to - 1, 1) || lower[to - 1] == "button")
      to -= 1;
    else
      break;
  }
  while (from < to && (is_article(lower[from]) || is_type(from, 1) || is_type(from, 2)))
    from += is_type(from, 2) ? 2 : 1;
  return from < to ? join(words, from, to) : target;
}

}  // namespace detail
}  // namespace kelvo::ladder
