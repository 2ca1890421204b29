// The indexed de-duplication keeps exactly the records the pairwise rule keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "engine/browser/harvester/text_dedup_index.h"

using kelvo::harvester::dedup_survivors;
using kelvo::harvester::DedupEntry;

namespace {

// The rule as written: every other record, in order, three tests with early exit.
std::vector<std::size_t> pairwise(const std::vector<DedupEntry>& in) {
  auto overlaps = [](const DedupEntry& a, const DedupEntry& b) {
    return a.x < b.x + b.width && a.x + a.width > b.x && a.y < b.y + b.height && a.y + a.height > b.y;
  };
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < in.size(); ++i) {
    bool dominated = false;
    if (!in[i].has_direct_text) {
      for (std::size_t j = 0; j < in.size() && !dominated; ++j) {
        dominated = j != i && in[j].width * in[j].height < in[i].width * in[i].height &&
                    overlaps(in[j], in[i]) && in[i].text.find(in[j].text) != std::string_view::npos;
      }
    }
    if (!dominated) kept.push_back(i);
  }
  return kept;
}

DedupEntry entry(double x, double y, double w, double h, std::string_view text, bool own = false) {
  return DedupEntry{x, y, w, h, text, own};
}

}  // namespace

TEST(TextDedupIndex, SmallCases) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* why;
    std::vector<DedupEntry> entries;
    std::vector<std::size_t> kept;
  };
  const std::vector<Case> cases = {
      {"wrapper of one span goes", {entry(0, 0, 100, 20, "Total: 42"), entry(5, 5, 50, 10, "Total: 42")}, {1}},
      {"first of two spans is enough", {entry(0, 0, 100, 20, "Hello World"), entry(0, 0, 40, 20, "Hello"), entry(50, 0, 40, 20, "World")}, {1, 2}},
      {"own text keeps the wrapper", {entry(0, 0, 100, 20, "a b", true), entry(0, 0, 10, 10, "a")}, {0, 1}},
      {"equal boxes and texts both stay", {entry(0, 0, 10, 10, "x"), entry(0, 0, 10, 10, "x")}, {0, 1}},
      {"touching edge is no overlap", {entry(0, 0, 100, 20, "ab"), entry(100, 0, 5, 5, "a")}, {0, 1}},
      {"case matters", {entry(0, 0, 100, 20, "Total"), entry(1, 1, 5, 5, "total")}, {0, 1}},
      {"zero-height text inside", {entry(0, 0, 100, 20, "ab"), entry(10, 10, 5, 0, "a")}, {1}},
      {"NaN box never overlaps", {entry(0, 0, 100, 20, "ab"), entry(nan, 1, 5, 5, "a")}, {0, 1}},
      {"page-sized wrapper", {entry(0, 0, 1e6, 1e6, "abc"), entry(10, 10, 1, 1, "b")}, {1}},
      {"infinite box", {entry(0, 0, inf, 20, "ab"), entry(1, 1, 1, 1, "a")}, {1}},
      {"far away coordinates", {entry(1e12, 0, 10, 10, "ab"), entry(1e12, 0, 1, 1, "a"), entry(0, 0, 1, 1, "x")}, {1, 2}},
      {"negative width", {entry(0, 0, 10, 10, "ab"), entry(5, 5, -1, 2, "a")}, {1}},
      {"empty text is in every text", {entry(0, 0, 10, 10, "ab"), entry(1, 1, 1, 1, "")}, {1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dedup_survivors(c.entries), c.kept) << c.why;
    EXPECT_EQ(pairwise(c.entries), c.kept) << c.why << " (rule)";
  }
}

// Random pages: nested cards with wrappers, near-duplicate texts, shared edges, odd
// boxes; the survivors must be the rule's, position for position.
TEST(TextDedupIndex, SameSurvivorsAsThePairwiseRuleOnRandomRecords) {
  std::mt19937 random(20260131);
  const std::vector<std::string> words = {"Total", "total", "42", "Hello", "World", "Hello World", "Buy now",
                                          "Total 42", "", "€ 5", "Price: € 5"};
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> texts;
    std::vector<DedupEntry> entries;
    const int n = 1 + static_cast<int>(random() % 60);
    texts.reserve(n);
    for (int k = 0; k < n; ++k) {
      texts.push_back(words[random() % words.size()]);
      if (random() % 4 == 0) texts.back() += " " + words[random() % words.size()];
    }
    for (int k = 0; k < n; ++k) {
      auto coordinate = [&] { return static_cast<double>(random() % 12) * 10 + (random() % 3 == 0 ? 0.5 : 0); };
      auto extent = [&] { return static_cast<double>(random() % 8) * 10; };
      DedupEntry e{coordinate(), coordinate(), extent(), extent(), texts[k], random() % 3 == 0};
      if (random() % 40 == 0) e.width = 5000;                       // page-wide
      if (random() % 60 == 0) e.x = std::numeric_limits<double>::quiet_NaN();
      if (random() % 60 == 0) e.height = -10;
      if (k > 0 && random() % 5 == 0) {                              // same box as an earlier one
        e.x = entries[k - 1].x, e.y = entries[k - 1].y, e.width = entries[k - 1].width;
        e.height = entries[k - 1].height;
      }
      entries.push_back(e);
    }
    ASSERT_EQ(dedup_survivors(entries), pairwise(entries)) << "round " << round;
  }
}
