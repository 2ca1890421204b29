#include <gtest/gtest.h>

#include "engine/spatial/surveyor/surveyor.h"

using namespace kelvo::surveyor;

namespace {

using Text = std::optional<std::string>;
const Text none = std::nullopt;

struct Case {
  const char* phrase;
  Text anchor, relation, type_filter;
  std::optional<std::int64_t> ordinal;
  Text search_text, target_text;
  const char* why;
};

}  // namespace

TEST(ParseTarget, PhrasesSplitIntoTheirSixPieces) {
  const Case cases[] = {
      {"Add to cart near Blue Backpack", "blue backpack", "near", none, {}, none, "add to cart", "words before the keyword name the target"},
      {"button next to login", "login", "next_to", "button", {}, none, none, "type word leaves no target text"},
      {"second login", none, none, none, 2, "login", none, "ordinal without anchor keeps its words"},
      {"first input", none, none, "input", 1, none, none, "type and ordinal consume every word"},
      {"second login button", none, none, "button", 2, "login", none, "type word is skipped in the search text"},
      {"the third link", none, none, "link", 3, none, none, "articles are skipped in the search text"},
      {"second button below the Address", "address", "below", "button", 2, none, none, "article dropped from the anchor"},
      {"Login", none, none, none, {}, none, none, "no keyword at all"},
      {"left of Total", "total", "left", none, {}, none, none, "two-word keyword"},
      {"right of X next to Y", "x next to y", "right", none, {}, none, none, "longest keyword wins over earlier ones"},
      {"linear gauge", "gauge", "near", none, {}, none, "li", "keywords count inside words"},
      {"under the table", "table", "below", none, {}, none, none, "under is below"},
      {"below", "", "below", none, {}, none, none, "keyword alone leaves an empty anchor"},
      {"first button below", "", "below", "button", 1, none, none, "empty anchor: skip set leaves nothing"},
      {"first big button below", "", "below", "button", 1, "big", "big", "empty anchor: leftover words search"},
      {"sixth button", none, none, "button", {}, none, none, "sixth is no ordinal"},
      {"Button Next To Login", "login", "next_to", "button", {}, none, none, "case does not matter"},
      {"button next  to login", none, none, "button", {}, none, none, "two blanks break the keyword"},
      {"the login button near Help", "help", "near", "button", {}, none, "the login", "articles before the keyword stay"},
      {"5th second", none, none, none, 2, "5th", none, "table order decides between ordinals"},
      {"second first button", none, none, "button", 1, "second", none, "first precedes second in the table"},
      {"field below link", "link", "below", "link", {}, none, "field", "table order decides between types"},
      {"button below first name", "first name", "below", "button", 1, none, none, "ordinal words after the keyword count"},
      {"near the a an x", "x", "near", none, {}, none, none, "the articles are tried one after the other"},
      {"near an the x", "the x", "near", none, {}, none, none, "each article is tried once, in order"},
      {"second button near the", "the", "near", "button", 2, none, none, "article needs a blank after it"},
      {"  second   link  ", none, none, "link", 2, none, none, "surrounding whitespace"},
      {"", none, none, none, {}, none, none, "empty phrase"},
  };
  for (const auto& c : cases) {
    const ParsedTarget p = parse_target(c.phrase);
    EXPECT_EQ(p.anchor, c.anchor) << c.phrase << ": " << c.why;
    EXPECT_EQ(p.relation, c.relation) << c.phrase << ": " << c.why;
    EXPECT_EQ(p.type_filter, c.type_filter) << c.phrase << ": " << c.why;
    EXPECT_EQ(p.ordinal, c.ordinal) << c.phrase << ": " << c.why;
    EXPECT_EQ(p.search_text, c.search_text) << c.phrase << ": " << c.why;
    EXPECT_EQ(p.target_text, c.target_text) << c.phrase << ": " << c.why;
  }
}

TEST(ParseTarget, LowerCasesLikePython) {
  // Non-breaking spaces separate words; İ lower-cases to two code points.
  const ParsedTarget p = parse_target("second\u00a0İSTANBUL\u00a0link");
  EXPECT_EQ(p.ordinal, 2);
  EXPECT_EQ(p.type_filter, "link");
  EXPECT_EQ(p.search_text, "i\u0307stanbul");
}

TEST(Normalize, DropsBlanksAndHyphensOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"Log-in", "login"}, {"Log In", "login"}, {"Add  to-Cart", "addtocart"},
      {"a\tb\nc", "a\tb\nc"}, {"x_y.z", "x_y.z"}, {"\u00a0ÄB", "\u00a0äb"}, {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(normalize(in), out) << in;
}

TEST(XPathDistance, CountsEqualPositionsAlongTheWholeLength) {
  struct Row { const char* a; const char* b; std::int64_t distance; const char* why; };
  const Row rows[] = {
      {"/html[1]/body[1]/div[2]/span[1]", "/html[1]/body[1]/div[2]/input[1]", 2, "siblings"},
      {"/html[1]/body[1]/div[1]/span[1]", "/html[1]/body[1]/div[2]/span[1]", 2, "equal after divergence counts"},
      {"", "", 0, "two empty paths"},
      {"", "/html[1]/body[1]/div[1]/a[1]", 5, "empty path is one empty step"},
      {"/html[1]/body[1]", "/html[1]/body[1]/form[1]/input[3]", 2, "descendant"},
      {"/html[1]/body[1]/", "html[1]/body[1]", 0, "outer slashes do not count"},
      {"/a//b", "/a/b", 3, "inner empty step counts"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(xpath_aligned_distance(r.a, r.b), r.distance) << r.why;
    EXPECT_EQ(xpath_aligned_distance(r.b, r.a), r.distance) << r.why << " (symmetric)";
  }
}
