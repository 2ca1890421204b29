#include <gtest/gtest.h>

#include "engine/spatial/surveyor/surveyor.h"

using kelvo::Record;
using namespace kelvo::surveyor;

namespace {

// A matrix entry as the builder makes it; `index` is set by matrix().
Record entry(const std::string& type, Record x, Record y, Record w, Record h, const std::string& text = "",
             Record attributes = Record::object(), const std::string& xpath = "/html[1]/body[1]/div[1]") {
  Record position = {{"x", x}, {"y", y}, {"w", w}, {"h", h},
                     {"cx", x.get<double>() + w.get<double>() / 2}, {"cy", y.get<double>() + h.get<double>() / 2},
                     {"x2", x.get<double>() + w.get<double>()}, {"y2", y.get<double>() + h.get<double>()}};
  return Record{{"index", 0}, {"tag", type}, {"element_type", type}, {"text", text}, {"label", ""},
                {"searchable", text}, {"is_enabled", true}, {"is_anchor_only", type == "text"},
                {"order_in_type", 0}, {"position", position},
                {"element", {{"tag", type}, {"text", text}, {"attributes", attributes}, {"xpath", xpath}}}};
}

std::vector<Record> matrix(std::vector<Record> entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i]["index"] = i;
  return entries;
}

std::vector<std::string> texts(const std::vector<Record>& entries, const std::vector<std::size_t>& picks) {
  std::vector<std::string> out;
  for (std::size_t i : picks) out.push_back(entries[i]["text"]);
  return out;
}

std::string resolve(const std::vector<Record>& m, const char* target) {
  MatrixResolver resolver(m);
  return to_record(resolver.resolve(target), m).dump();
}

const char* FAILURE = R"({"resolved":false,"confidence":0.0,"element":null,"candidates":[]})";

// Anchor spanning y 100 to 130 and x 50 to 250.
const Record ANCHOR = entry("text", 50, 100, 200, 30, "Address");

}  // namespace

TEST(Rank, WhichCandidatesStandInTheRelation) {
  struct Case { const char* strategy; int x, y, w, h; bool kept; const char* why; };
  const Case cases[] = {
      {"below", 60, 130, 100, 30, true, "top edge equal to the anchor's bottom edge"},
      {"below", 400, 200, 100, 30, false, "horizontal gap of 150"},
      {"below", 270, 200, 30, 30, true, "horizontal gap of 20"},
      {"below", 290, 200, 30, 30, false, "gap of exactly 40 is not less than the tolerance"},
      {"below", 60, 120, 100, 30, false, "starts above the anchor's bottom"},
      {"above", 60, 40, 100, 60, true, "bottom edge equal to the anchor's top"},
      {"above", 60, 41, 100, 60, false, "one pixel into the anchor"},
      {"right", 250, 100, 50, 30, true, "left edge equal to the anchor's right edge"},
      {"right", 250, 169, 50, 30, true, "vertical gap 39"},
      {"right", 250, 170, 50, 30, false, "vertical gap 40"},
      {"left", 0, 100, 50, 30, true, "right edge equal to the anchor's left edge"},
      {"left", 0, 100, 51, 30, false, "one pixel into the anchor"},
      {"next_to", 300, 110, 50, 30, true, "on the row, to the right"},
      {"next_to", 0, 100, 40, 30, false, "left of the anchor never qualifies"},
      {"next_to", 300, 300, 50, 30, false, "to the right but off the row"},
      {"near", 50, 350, 200, 30, true, "centres 250 apart"},
      {"near", 50, 450, 200, 30, false, "centres 350 apart"},
      {"beside", 300, 110, 50, 30, false, "unknown strategy keeps nothing"},
  };
  for (const auto& c : cases) {
    const std::vector<Record> candidates = {entry("button", c.x, c.y, c.w, c.h, "B")};
    const auto ranked = MatrixResolver::rank(candidates, ANCHOR, std::string(c.strategy), std::nullopt);
    EXPECT_EQ(ranked.size(), c.kept ? 1u : 0u) << c.strategy << ": " << c.why;
  }
  const std::vector<Record> one = {entry("button", 60, 130, 100, 30)};
  EXPECT_TRUE(MatrixResolver::rank(one, ANCHOR, std::nullopt, std::nullopt).empty()) << "no strategy";
}

TEST(Rank, NearAlsoLimitsTreeDistance) {
  const std::string deep =
      "/html[1]/body[1]/div[2]/div[1]/div[1]/div[1]/div[1]/div[1]/div[1]/div[1]/section[1]/p[1]";
  Record anchor = entry("text", 50, 100, 200, 30, "Total", {}, "/html[1]/body[1]/div[1]/span[1]");
  const std::vector<Record> candidates = {
      entry("button", 50, 300, 200, 30, "far in the tree", {}, deep),  // 12 steps away
      entry("button", 50, 200, 200, 30, "close", {}, "/html[1]/body[1]/div[1]/button[1]"),
      entry("button", 50, 150, 200, 30, "closest", {}, "/html[1]/body[1]/div[1]/button[2]"),
  };
  EXPECT_EQ(xpath_aligned_distance(anchor["element"]["xpath"].get<std::string>(), deep), 12);
  EXPECT_EQ(texts(candidates, MatrixResolver::rank(candidates, anchor, "near", std::nullopt)),
            (std::vector<std::string>{"closest", "close"}));
  // Without XPaths only the pixel limit applies.
  Record bare_anchor = anchor;
  bare_anchor["element"].erase("xpath");
  std::vector<Record> bare = candidates;
  for (auto& c : bare) c["element"].erase("xpath");
  EXPECT_EQ(MatrixResolver::rank(bare, bare_anchor, "near", std::nullopt).size(), 3u);
}

TEST(Rank, OrdersNearestFirstAndAppliesTheOrdinal) {
  struct Case { const char* strategy; std::vector<Record> candidates; std::optional<std::int64_t> ordinal;
                std::vector<std::string> expected; const char* why; };
  const Case cases[] = {
      {"below", {entry("button", 60, 300, 50, 20, "300"), entry("button", 60, 180, 50, 20, "180"),
                 entry("button", 60, 240, 50, 20, "240")}, std::nullopt, {"180", "240", "300"}, "smallest top first"},
      {"below", {entry("button", 60, 300, 50, 20, "300"), entry("button", 60, 180, 50, 20, "180"),
                 entry("button", 60, 240, 50, 20, "240")}, 3, {"300"}, "third below"},
      {"below", {entry("button", 60, 300, 50, 20, "300"), entry("button", 60, 180, 50, 20, "180"),
                 entry("button", 60, 240, 50, 20, "240")}, 4, {}, "fourth of three"},
      {"below", {entry("button", 60, 300, 50, 20, "300"), entry("button", 60, 180, 50, 20, "180")}, 0,
       {"180", "300"}, "ordinal 0 counts as none"},
      {"below", {entry("button", 60, 300, 50, 20, "300"), entry("button", 60, 180, 50, 20, "180")}, -1,
       {}, "a negative ordinal names nothing, not the last entry"},
      {"below", {entry("button", 60, 200, 50, 20, "first"), entry("button", 60, 200, 50, 20, "second")},
       std::nullopt, {"first", "second"}, "equal keys keep input order"},
      {"above", {entry("button", 60, 70, 50, 20, "90"), entry("button", 60, 20, 50, 20, "40"),
                 entry("button", 60, 50, 50, 20, "70")}, std::nullopt, {"90", "70", "40"}, "largest bottom first"},
      {"left", {entry("button", 0, 100, 10, 20, "10"), entry("button", 0, 100, 40, 20, "40")}, std::nullopt,
       {"40", "10"}, "largest right edge first"},
      {"right", {entry("button", 400, 100, 10, 20, "400"), entry("button", 300, 100, 10, 20, "300")},
       std::nullopt, {"300", "400"}, "smallest left edge first"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(texts(c.candidates, MatrixResolver::rank(c.candidates, ANCHOR, std::string(c.strategy), c.ordinal)),
              c.expected) << c.strategy << ": " << c.why;
  }
}

TEST(Rank, NextToIsOneEntryInReadingOrder) {
  std::vector<Record> candidates = {entry("button", 400, 100, 50, 30, "x400"), entry("button", 300, 100, 50, 30, "x300"),
                                    entry("button", 600, 100, 50, 30, "x600")};
  candidates[0]["index"] = 7;
  candidates[1]["index"] = 5;
  candidates[2]["index"] = 9;
  auto ranked = [&](std::optional<std::int64_t> n) {
    return texts(candidates, MatrixResolver::rank(candidates, ANCHOR, "next_to", n));
  };
  EXPECT_EQ(ranked(std::nullopt), (std::vector<std::string>{"x300"})) << "lowest index, one entry only";
  EXPECT_EQ(ranked(2), (std::vector<std::string>{"x400"}));
  EXPECT_EQ(ranked(4), (std::vector<std::string>{}));
}

TEST(FindAnchor, TiersAndTieBreaks) {
  struct Case { std::vector<Record> entries; const char* anchor; std::optional<std::size_t> expected; const char* why; };
  const Case cases[] = {
      {{entry("input", 0, 0, 10, 10, "", {{"aria-label", "Email"}}), entry("text", 0, 20, 10, 10, "Email")},
       "email", 1, "exact text beats exact attribute"},
      {{entry("text", 0, 0, 10, 10, "Help"), entry("link", 0, 20, 10, 10, "Help")}, "help", 1,
       "interactable preferred among equal matches"},
      {{entry("text", 0, 0, 300, 40, "Help"), entry("text", 0, 50, 100, 20, "Help")}, "help", 1, "smallest box"},
      {{entry("text", 0, 0, 100, 20, "Help"), entry("text", 0, 50, 100, 20, "Help")}, "help", 0,
       "equal boxes: first in reading order"},
      {{entry("text", 0, 0, 10, 10, "Total due"), entry("button", 0, 20, 10, 10, "", {{"_label", "TOTAL"}})},
       "total", 1, "exact attribute beats text prefix"},
      {{entry("text", 0, 0, 10, 10, "Totals"), entry("text", 0, 20, 10, 10, "Total due")}, "total", 1,
       "prefix needs a blank after the word"},
      {{entry("text", 0, 0, 10, 10, "Email(required)")}, "email", 0, "or an opening bracket"},
      {{entry("text", 0, 0, 10, 10, "Name ")}, "name", 0, "trailing blank: no exact match but a prefix one"},
      {{entry("text", 0, 0, 10, 10, "Name "), entry("input", 0, 20, 10, 10, "", {{"placeholder", "name"}})},
       "name", 1, "exact attribute beats text prefix"},
      {{entry("input", 0, 0, 10, 10, "", {{"placeholder", "Search products"}})}, "search", 0, "attribute prefix tier"},
      {{entry("input", 0, 0, 10, 10, "", {{"placeholder", "Searching"}})}, "search", std::nullopt,
       "attribute prefix needs a blank too"},
      {{entry("text", 0, 0, 10, 10, "Address")}, "nowhere", std::nullopt, "nothing relates"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatrixResolver(matrix(c.entries)).find_anchor(c.anchor), c.expected) << c.why;
  }
  // A missing width or height counts as 999 in the area.
  std::vector<Record> sizes = {entry("text", 0, 0, 1, 20, "Help"), entry("text", 0, 20, 100, 100, "Help")};
  sizes[0]["position"].erase("w");
  EXPECT_EQ(MatrixResolver(matrix(sizes)).find_anchor("help"), 1u);
}

TEST(Resolve, RelationalAnswers) {
  const auto page = matrix({
      entry("text", 50, 100, 200, 30, "Address"),
      entry("input", 50, 140, 200, 30, "", {{"_label", "Address"}}),
      entry("button", 60, 200, 80, 30, "Save"),
      entry("link", 60, 250, 80, 30, "Cancel"),
      entry("button", 60, 300, 80, 30, "Reset"),
      entry("button", 900, 300, 80, 30, "Elsewhere"),
  });
  EXPECT_EQ(resolve(page, "second button below the Address"),
            R"({"resolved":true,"confidence":1.0,"element":{"tag":"button","text":"Reset","attributes":{},)"
            R"("xpath":"/html[1]/body[1]/div[1]"},"anchor_text":"Address","ordinal":2,"type_relaxed":false,)"
            R"("actual_type":"button","candidates":[{"tag":"button","text":"Reset","attributes":{},)"
            R"("xpath":"/html[1]/body[1]/div[1]"}]})");

  struct Case { const char* target; bool resolved; std::vector<std::string> candidates; const char* why; };
  const Case cases[] = {
      {"Login", false, {}, "no relation and no ordinal"},
      {"button below Nowhere", false, {}, "no anchor"},
      {"below Address", true, {"", "Save", "Cancel", "Reset"}, "no type: every entry below, nearest first"},
      {"button below Address", true, {"Save", "Reset"}, "typed candidates"},
      {"Reset below Address", true, {"Reset"}, "words before the keyword narrow"},
      {"Nothing below Address", true, {"", "Save", "Cancel", "Reset"}, "words that match nothing are ignored"},
      {"dropdown below Address", false, {}, "no entry of the type at all: no relaxation"},
      {"below", false, {}, "empty anchor and no ordinal"},
      {"button above Address", false, {}, "nothing above, even relaxed: failure"},
  };
  for (const auto& c : cases) {
    MatrixResolver resolver(page);
    const auto r = resolver.resolve(c.target);
    EXPECT_EQ(r.resolved(), c.resolved) << c.target << ": " << c.why;
    std::vector<std::string> got;
    for (std::size_t i : r.candidates) got.push_back(page[i]["text"]);
    EXPECT_EQ(got, c.candidates) << c.target << ": " << c.why;
  }
}

TEST(Resolve, TypeFilterIsRelaxedOnlyWhenTheTypeExists) {
  const auto with_link_below = matrix({
      entry("text", 50, 100, 200, 30, "Address"),
      entry("link", 60, 200, 80, 30, "Details"),
      entry("button", 900, 900, 80, 30, "Far away"),
  });
  const Record r = Record::parse(resolve(with_link_below, "button below Address"));
  EXPECT_EQ(r["resolved"], true);
  EXPECT_EQ(r["element"]["text"], "Details");
  EXPECT_EQ(r["type_relaxed"], true);
  EXPECT_EQ(r["actual_type"], "link");
  EXPECT_EQ(r["ordinal"], 1) << "no ordinal reads as 1";

  auto no_buttons = with_link_below;
  no_buttons.pop_back();
  EXPECT_EQ(resolve(no_buttons, "button below Address"), FAILURE);
}

TEST(Resolve, AnchorAndTextEntriesAreNeverTheResult) {
  const auto page = matrix({
      entry("button", 50, 100, 200, 30, "Address"),
      entry("text", 50, 140, 200, 30, "Below text"),
      entry("button", 50, 100, 200, 30, "Twin"),
  });
  MatrixResolver resolver(page);
  const auto r = resolver.resolve("near Address");
  ASSERT_TRUE(r.resolved());
  EXPECT_EQ(texts(page, r.candidates), (std::vector<std::string>{"Twin"}));
  EXPECT_EQ(resolve(page, "below Address"), FAILURE) << "only a text element lies below";
}

TEST(Resolve, OrdinalWithoutAnchor) {
  auto page = matrix({
      entry("link", 0, 0, 50, 20, "Login"),
      entry("button", 0, 30, 50, 20, "Sign up"),
      entry("button", 0, 60, 50, 20, "Login with Google"),
      entry("text", 0, 90, 50, 20, "Login"),
      entry("textbox", 0, 120, 50, 20, "t"),
      entry("input", 0, 150, 50, 20, "i"),
  });
  struct Case { const char* target; std::optional<std::string> expected; const char* why; };
  const Case cases[] = {
      {"second login", "Login with Google", "exact list too short: normalised searchable list"},
      {"first login", "Login", "exact list long enough"},
      {"first signup", "Sign up", "blanks do not matter in the searchable text"},
      {"second zebra", "Sign up", "text that matches nothing does not narrow"},
      {"second button", "Login with Google", "type filter"},
      {"first input", "i", "never a textbox"},
      {"third button", std::nullopt, "only two buttons"},
      {"fifth link", std::nullopt, "only one link"},
      {"first button below", "Sign up", "relation without anchor goes by reading order"},
  };
  for (const auto& c : cases) {
    MatrixResolver resolver(page);
    const auto r = resolver.resolve(c.target);
    if (!c.expected) {
      EXPECT_FALSE(r.resolved()) << c.target << ": " << c.why;
      continue;
    }
    ASSERT_TRUE(r.resolved()) << c.target << ": " << c.why;
    EXPECT_EQ(page[r.best]["text"], *c.expected) << c.target << ": " << c.why;
  }
  const Record ordinal = Record::parse(resolve(page, "second button"));
  std::vector<std::string> keys;
  for (auto it = ordinal.begin(); it != ordinal.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"resolved", "confidence", "element", "candidates"}));
  EXPECT_EQ(ordinal["candidates"].size(), 2u) << "every candidate in matrix order";

  MatrixResolver resolver(page);
  EXPECT_FALSE(resolver.resolve_ordinal(0, std::nullopt, std::nullopt).resolved()) << "0 is not the last entry";
  EXPECT_FALSE(resolver.resolve_ordinal(-1, std::nullopt, std::nullopt).resolved());
}

TEST(Entries, MissingOrWrongKeysAreNamed) {
  struct Case { Record entry; EntryError::Kind kind; const char* message; };
  Record no_position = entry("button", 0, 0, 1, 1);
  no_position.erase("position");
  Record bad_type = entry("button", 0, 0, 1, 1);
  bad_type["element_type"] = 3;
  Record bad_x = entry("button", 0, 0, 1, 1);
  bad_x["position"]["x"] = "0";
  Record bad_label = entry("button", 0, 0, 1, 1, "", {{"_label", false}});
  const Case cases[] = {
      {no_position, EntryError::Kind::missing_key, "matrix[0] has no 'position'"},
      {bad_type, EntryError::Kind::wrong_kind, "matrix[0]['element_type'] must be a str, not int"},
      {bad_x, EntryError::Kind::wrong_kind, "matrix[0]['position']['x'] must be a number, not str"},
      {bad_label, EntryError::Kind::wrong_kind, "matrix[0]['element']['attributes']['_label'] must be a str, not bool"},
  };
  for (const auto& c : cases) {
    try {
      MatrixResolver(std::vector<Record>{c.entry}).resolve("second button");
      ADD_FAILURE() << c.message;
    } catch (const EntryError& error) {
      EXPECT_EQ(error.kind, c.kind);
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}
