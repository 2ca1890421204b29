// Which resolver a step asks first, from the whole words of its target.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/agent/ladder/routing.h"

namespace {

namespace kl = kelvo::ladder;

struct RouteCase {
  const char* action;
  const char* target;
  bool spatial_first;
  const char* why;
};

TEST(Routing, ResolverOrder) {
  const RouteCase cases[] = {
      {"click", "Login", false, "a plain name"},
      {"click", "Linear gauge", false, "'near' inside a word is no relation"},
      {"click", "Underwear", false, "'under' inside a word"},
      {"click", "Copyright of Acme", false, "'right of' needs 'right' as a word"},
      {"click", "Firstly", false, "'first' inside a word is no ordinal"},
      {"click", "Next page", false, "'next' alone is no relation"},
      {"click", "next_to Total", false, "an underscore joins the words"},
      {"click", "Beside Total", false, "beside is the ladder's word, not spatial resolution's"},
      {"click", "sixth button", false, "spatial resolution counts to fifth"},
      {"click", "last button", false, "nor does it know last"},
      {"click", "button below Address", true, "relation keyword"},
      {"click", "button (below) Address", true, "punctuation around the keyword"},
      {"click", "button NEXT TO Sign up", true, "case does not matter"},
      {"click", "button next to Sign up", true, "two-word relation"},
      {"click", "second Add to cart", true, "ordinal word"},
      {"type", "2nd input", true, "numeric ordinal"},
      {"click", "Tom's first car", true, "an ordinal beside an apostrophe word"},
      {"verify_enabled", "Save below Name", true, "state checks aim at elements too"},
      {"click", "", false, "an empty phrase is plain"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> expected =
        c.spatial_first ? std::vector<std::string>{"spatial", "text"} : std::vector<std::string>{"text", "spatial"};
    EXPECT_EQ(kl::resolver_order(c.action, c.target), expected) << c.target << ": " << c.why;
  }
}

TEST(Routing, OnlyElementActionsAreRouted) {
  const char* text_actions[] = {"find_text", "verify_text_visible", "verify_spatial_text", "extract_text_spatial",
                                "navigate", "wait", "press_key", "verify_dialog"};
  for (const char* action : text_actions) EXPECT_TRUE(kl::resolver_order(action, "below Total").empty()) << action;
}

}  // namespace
