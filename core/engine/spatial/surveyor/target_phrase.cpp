#include "engine/spatial/surveyor/target_phrase.h"

#include <algorithm>
#include <vector>

#include "common/text.h"

namespace kelvo::surveyor {

namespace {

using vocabulary::is_article;

bool contains(const std::vector<std::string>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

std::optional<std::string> join_or_none(const std::vector<std::string>& words) {
  if (words.empty()) return std::nullopt;
  std::string out;
  for (const auto& w : words) {
    if (!out.empty()) out += ' ';
    out += w;
  }
  return out;
}

// Longest keyword first, so "right of" is not read as something shorter.
const std::vector<RelationKeyword>& relations_longest_first() {
  static const std::vector<RelationKeyword> rows = [] {
    std::vector<RelationKeyword> sorted(RELATIONS.begin(), RELATIONS.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.keyword.size() > b.keyword.size(); });
    return sorted;
  }();
  return rows;
}

}  // namespace

std::string normalize(std::string_view text) {
  std::string lowered = text::lower(text::without_invisible(text));
  lowered.erase(std::remove_if(lowered.begin(), lowered.end(), [](char c) { return c == ' ' || c == '-'; }),
                lowered.end());
  return lowered;
}

ParsedTarget parse_target(std::string_view target) {
  ParsedTarget out;
  const std::string lower = text::lower(target);
  const std::vector<std::string> words = text::split(std::string_view(lower));

  // A keyword counts anywhere, also inside a longer word ("linear" holds "near").
  const RelationKeyword* keyword = nullptr;
  for (const auto& row : relations_longest_first()) {
    if (lower.find(row.keyword) != std::string::npos) {
      keyword = &row;
      break;
    }
  }
  if (keyword) out.relation = std::string(keyword->strategy);

  std::optional<std::string_view> ordinal_word;
  for (const auto& row : ORDINALS) {
    if (contains(words, row.word)) {
      out.ordinal = row.number;
      ordinal_word = row.word;
      break;
    }
  }
  std::optional<std::string_view> type_word;
  for (const auto& row : TYPE_KEYWORDS) {
    if (contains(words, row.word)) {
      out.type_filter = std::string(row.type);
      type_word = row.word;
      break;
    }
  }

  if (keyword) {
    const std::size_t at = lower.find(keyword->keyword);
    std::string anchor = text::strip(std::string_view(lower).substr(at + keyword->keyword.size()));
    for (std::string_view article : vocabulary::kArticles) {
      const std::string lead = std::string(article) + " ";
      if (anchor.compare(0, lead.size(), lead) == 0) anchor.erase(0, lead.size());
    }
    out.anchor = text::strip(std::string_view(anchor));

    std::vector<std::string> pre_words;
    for (auto& w : text::split(std::string_view(lower).substr(0, at))) {
      if (w == type_word || w == ordinal_word) continue;
      pre_words.push_back(std::move(w));
    }
    out.target_text = join_or_none(pre_words);
  }

  if (out.ordinal && (!out.anchor || out.anchor->empty())) {
    std::vector<std::string> skip;
    skip.emplace_back(*ordinal_word);
    if (type_word) skip.emplace_back(*type_word);
    if (keyword) {
      for (auto& w : text::split(keyword->keyword)) skip.push_back(std::move(w));
    }
    std::vector<std::string> remaining;
    for (const auto& w : words) {
      if (!contains(skip, w) && !is_article(w)) remaining.push_back(w);
    }
    out.search_text = join_or_none(remaining);
  }
  return out;
}

}  // namespace kelvo::surveyor
