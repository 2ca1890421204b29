#include "engine/spatial/surveyor/matrix_resolver.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "common/text.h"
#include "engine/spatial/surveyor/entry_reading.h"
#include "engine/spatial/surveyor/geometry.h"
#include "engine/spatial/surveyor/target_phrase.h"

namespace kelvo::surveyor {

namespace {

constexpr const char* LABEL_ATTRIBUTES[] = {"aria-label", "_label", "placeholder"};

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// NaN sorts after every number, so a stray NaN cannot break the sort's ordering.
bool before(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

std::string where(const char* list, std::size_t i) {
  return std::string(list) + "[" + std::to_string(i) + "]";
}

// Keeps the positions whose entries pass `keep`, then orders them stably by `key`.
std::vector<std::size_t> select_sorted(const std::vector<const Record*>& entries,
                                       const std::function<bool(const Record&)>& keep,
                                       const std::function<double(const Record&)>& key) {
  std::vector<std::pair<double, std::size_t>> kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (keep(*entries[i])) kept.emplace_back(key(*entries[i]), i);
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return before(a.first, b.first); });
  std::vector<std::size_t> out;
  out.reserve(kept.size());
  for (const auto& k : kept) out.push_back(k.second);
  return out;
}

double area(const Record& entry) {
  const Record& position = entry.at("position");
  const Record* w = find_key(position, "w");
  const Record* h = find_key(position, "h");
  const double width = (w && w->is_number()) ? w->get<double>() : 999.0;
  const double height = (h && h->is_number()) ? h->get<double>() : 999.0;
  return width * height;
}

}  // namespace

MatrixResolver::MatrixResolver(std::vector<Record> matrix) : matrix_(std::move(matrix)) {}

void MatrixResolver::check_matrix() const {
  for (std::size_t i = 0; i < matrix_.size(); ++i) check_entry(matrix_[i], where("matrix", i));
}

SpatialResolution MatrixResolver::resolve(std::string_view target) const {
  const ParsedTarget parsed = parse_target(target);
  const bool has_anchor = parsed.anchor && !parsed.anchor->empty();
  if (!has_anchor && !parsed.ordinal) return {};
  if (!has_anchor) return resolve_ordinal(*parsed.ordinal, parsed.type_filter, parsed.search_text);

  const auto anchor = find_anchor(*parsed.anchor);
  if (!anchor) return {};
  const Record& anchor_entry = matrix_[*anchor];

  auto ranked_among = [&](const std::optional<std::string>& type) {
    std::vector<std::size_t> pool = candidates_for(*anchor, type, parsed.target_text);
    std::vector<const Record*> entries;
    entries.reserve(pool.size());
    for (std::size_t i : pool) entries.push_back(&matrix_[i]);
    std::vector<std::size_t> ranked;
    for (std::size_t i : rank_checked(entries, anchor_entry, parsed.relation, parsed.ordinal)) {
      ranked.push_back(pool[i]);
    }
    return std::make_pair(pool.empty(), ranked);
  };

  auto [none_of_type, ranked] = ranked_among(parsed.type_filter);
  // No entry of the asked type at all is a plain miss; relaxing only helps when entries of
  // that type exist but none stands in the relation.
  if (none_of_type) return {};
  bool relaxed = false;
  if (ranked.empty() && parsed.type_filter) {
    ranked = ranked_among(std::nullopt).second;
    relaxed = true;
  }
  if (ranked.empty()) return {};

  SpatialResolution out;
  out.shape = SpatialResolution::Shape::relational;
  out.best = ranked.front();
  out.candidates = std::move(ranked);
  out.anchor = *anchor;
  out.ordinal = parsed.ordinal.value_or(1);
  out.type_relaxed = relaxed;
  out.actual_type = relaxed ? std::optional<std::string>(entry_text(matrix_[out.best], "element_type"))
                            : parsed.type_filter;
  return out;
}

std::vector<std::size_t> MatrixResolver::candidates_for(std::size_t anchor,
                                                        const std::optional<std::string>& type,
                                                        const std::optional<std::string>& target_text) const {
  const Record& anchor_index = matrix_[anchor].at("index");
  std::vector<std::size_t> pool;
  for (std::size_t i = 0; i < matrix_.size(); ++i) {
    const Record& entry = matrix_[i];
    if (entry.at("index") == anchor_index || is_anchor_only(entry)) continue;
    if (type && entry_text(entry, "element_type") != *type) continue;
    pool.push_back(i);
  }
  if (!target_text || target_text->empty()) return pool;

  // The words before the relation narrow the choice when they match something.
  const std::string wanted = normalize(*target_text);
  std::vector<std::size_t> narrowed;
  for (std::size_t i : pool) {
    if (normalize(entry_text(matrix_[i], "searchable")).find(wanted) != std::string::npos) {
      narrowed.push_back(i);
    }
  }
  return narrowed.empty() ? pool : narrowed;
}

std::optional<std::size_t> MatrixResolver::find_anchor(std::string_view anchor_text) const {
  check_matrix();
  // Names are compared without the characters a reader does not see.
  const auto fold = [](std::string_view t) { return text::lower(text::without_invisible(t)); };
  const std::string anchor = fold(anchor_text);
  const std::string prefix = anchor + " ";
  const std::string bracket = anchor + "(";

  std::vector<std::string> texts;
  texts.reserve(matrix_.size());
  for (const auto& entry : matrix_) texts.push_back(fold(entry_text(entry, "text")));
  auto label_matches = [&](const Record& entry, const std::function<bool(const std::string&)>& test) {
    for (const char* key : LABEL_ATTRIBUTES) {
      const std::string& value = element_attribute(entry, key);
      if (!value.empty() && test(fold(value))) return true;
    }
    return false;
  };

  // Exact text beats exact label: a heading reading "Email" wins over an input labelled so.
  std::vector<std::size_t> text_matches, label_hits;
  for (std::size_t i = 0; i < matrix_.size(); ++i) {
    if (texts[i] == anchor) {
      text_matches.push_back(i);
    } else if (label_matches(matrix_[i], [&](const std::string& v) { return v == anchor; })) {
      label_hits.push_back(i);
    }
  }
  std::vector<std::size_t> matches = text_matches.empty() ? label_hits : text_matches;
  if (matches.empty()) {
    for (std::size_t i = 0; i < matrix_.size(); ++i) {
      if (starts_with(texts[i], prefix) || starts_with(texts[i], bracket)) matches.push_back(i);
    }
  }
  if (matches.empty()) {
    for (std::size_t i = 0; i < matrix_.size(); ++i) {
      if (label_matches(matrix_[i], [&](const std::string& v) { return starts_with(v, prefix); })) {
        matches.push_back(i);
      }
    }
  }
  if (matches.empty()) return std::nullopt;

  // Interactable entries first; then the smallest box, the most specific element.
  std::vector<std::size_t> interactable;
  for (std::size_t i : matches) {
    if (!is_anchor_only(matrix_[i])) interactable.push_back(i);
  }
  if (!interactable.empty()) matches = std::move(interactable);
  std::size_t best = matches.front();
  for (std::size_t i : matches) {
    if (before(area(matrix_[i]), area(matrix_[best]))) best = i;
  }
  return best;
}

std::vector<std::size_t> MatrixResolver::rank(const std::vector<Record>& candidates, const Record& anchor,
                                              const std::optional<std::string>& strategy,
                                              std::optional<std::int64_t> ordinal) {
  check_entry(anchor, "anchor");
  std::vector<const Record*> entries;
  entries.reserve(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    check_entry(candidates[i], where("candidates", i));
    entries.push_back(&candidates[i]);
  }
  return rank_checked(entries, anchor, strategy, ordinal);
}

std::vector<std::size_t> MatrixResolver::rank_checked(const std::vector<const Record*>& candidates,
                                                      const Record& anchor,
                                                      const std::optional<std::string>& strategy,
                                                      std::optional<std::int64_t> ordinal) {
  const double ax = coordinate(anchor, "x"), ay = coordinate(anchor, "y");
  const double ax2 = coordinate(anchor, "x2"), ay2 = coordinate(anchor, "y2");
  const std::string anchor_xpath = element_xpath(anchor);
  const std::string s = strategy.value_or("");

  std::vector<std::size_t> sorted;
  if (s == "below") {
    sorted = select_sorted(
        candidates,
        [&](const Record& e) { return coordinate(e, "y") >= ay2 && overlaps_horizontally(e, anchor); },
        [](const Record& e) { return coordinate(e, "y"); });
  } else if (s == "above") {
    sorted = select_sorted(
        candidates,
        [&](const Record& e) { return coordinate(e, "y2") <= ay && overlaps_horizontally(e, anchor); },
        [](const Record& e) { return -coordinate(e, "y2"); });
  } else if (s == "left") {
    sorted = select_sorted(
        candidates,
        [&](const Record& e) { return coordinate(e, "x2") <= ax && overlaps_vertically(e, anchor); },
        [](const Record& e) { return -coordinate(e, "x2"); });
  } else if (s == "right") {
    sorted = select_sorted(
        candidates,
        [&](const Record& e) { return coordinate(e, "x") >= ax2 && overlaps_vertically(e, anchor); },
        [](const Record& e) { return coordinate(e, "x"); });
  } else if (s == "near") {
    sorted = select_sorted(
        candidates,
        [&](const Record& e) {
          return centre_distance(e, anchor) <= static_cast<double>(NEAR_MAX_PIXELS) &&
                 xpath_aligned_distance(anchor_xpath, element_xpath(e)) <= NEAR_MAX_DOM_STEPS;
        },
        [&](const Record& e) { return centre_distance(e, anchor); });
  } else if (s == "next_to") {
    // Only to the right on the anchor's row, in reading order; one entry at most.
    sorted = select_sorted(
        candidates,
        [&](const Record& e) { return overlaps_vertically(e, anchor) && coordinate(e, "x") >= ax2; },
        [](const Record& e) { return e.at("index").get<double>(); });
    if (!ordinal || *ordinal == 0) ordinal = 1;
  } else {
    return {};
  }

  if (!ordinal || *ordinal == 0) return sorted;
  // A negative ordinal names no entry; it must not count from the end.
  if (*ordinal < 0 || static_cast<std::size_t>(*ordinal) > sorted.size()) return {};
  return {sorted[static_cast<std::size_t>(*ordinal - 1)]};
}

SpatialResolution MatrixResolver::resolve_ordinal(std::int64_t ordinal,
                                                  const std::optional<std::string>& type_filter,
                                                  const std::optional<std::string>& search_text) const {
  check_matrix();
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < matrix_.size(); ++i) {
    if (is_anchor_only(matrix_[i])) continue;
    if (type_filter && entry_text(matrix_[i], "element_type") != *type_filter) continue;
    candidates.push_back(i);
  }

  if (search_text && !search_text->empty()) {
    const std::string wanted = text::lower(text::without_invisible(*search_text));
    std::vector<std::size_t> exact;
    for (std::size_t i : candidates) {
      if (text::strip(std::string_view(text::lower(text::without_invisible(entry_text(matrix_[i], "text"))))) ==
          wanted) {
        exact.push_back(i);
      }
    }
    if (ordinal >= 1 && exact.size() >= static_cast<std::size_t>(ordinal)) {
      candidates = std::move(exact);
    } else {
      // The text narrows only when it matches something.
      const std::string wanted_norm = normalize(*search_text);
      std::vector<std::size_t> narrowed;
      for (std::size_t i : candidates) {
        if (normalize(entry_text(matrix_[i], "searchable")).find(wanted_norm) != std::string::npos) {
          narrowed.push_back(i);
        }
      }
      if (!narrowed.empty()) candidates = std::move(narrowed);
    }
  }

  // Ordinals count from 1; zero or less names no entry rather than one from the end.
  if (ordinal < 1 || static_cast<std::size_t>(ordinal) > candidates.size()) return {};
  SpatialResolution out;
  out.shape = SpatialResolution::Shape::ordinal;
  out.best = candidates[static_cast<std::size_t>(ordinal - 1)];
  out.candidates = std::move(candidates);
  return out;
}

Record to_record(const SpatialResolution& resolution, const std::vector<Record>& matrix) {
  auto element_of = [&](std::size_t i) {
    const Record* element = find_key(matrix.at(i), "element");
    return element ? *element : Record(nullptr);
  };
  Record out = Record::object();
  out["resolved"] = resolution.resolved();
  out["confidence"] = resolution.resolved() ? 1.0 : 0.0;
  out["element"] = resolution.resolved() ? element_of(resolution.best) : Record(nullptr);
  if (resolution.shape == SpatialResolution::Shape::relational) {
    out["anchor_text"] = entry_text(matrix.at(resolution.anchor), "searchable");
    out["ordinal"] = resolution.ordinal;
    out["type_relaxed"] = resolution.type_relaxed;
    out["actual_type"] = resolution.actual_type ? Record(*resolution.actual_type) : Record(nullptr);
  }
  Record candidates = Record::array();
  for (std::size_t i : resolution.candidates) candidates.push_back(element_of(i));
  out["candidates"] = std::move(candidates);
  return out;
}

}  // namespace kelvo::surveyor
