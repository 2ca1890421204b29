// The row of an element: the innermost text element holding it in its own document.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/agent/ladder/row.h"

namespace {

using kelvo::Record;

struct RowCase {
  const char* why;
  std::string xpath;
  std::vector<Record> paths;  // each text element's "xpath" value
  std::optional<std::size_t> row;
};

class RowOf : public testing::TestWithParam<RowCase> {};

TEST_P(RowOf, FindsTheInnermostHolder) {
  const RowCase& c = GetParam();
  std::vector<Record> texts;
  for (const auto& path : c.paths) texts.push_back(Record{{"tag", "div"}, {"text", "Row"}, {"xpath", path}});
  EXPECT_EQ(kelvo::ladder::row_of(c.xpath, texts), c.row) << c.why;
}

const std::string kLink = "/html[1]/body[1]/div[1]/a[1]";

INSTANTIATE_TEST_SUITE_P(
    Table, RowOf,
    testing::Values(
        RowCase{"innermost of two holders", kLink, {"/html[1]/body[1]", "/html[1]/body[1]/div[1]"}, 1},
        RowCase{"first of equal paths", kLink, {"/html[1]/body[1]/div[1]", "/html[1]/body[1]/div[1]"}, 0},
        RowCase{"a string prefix is not a parent", "/html[1]/body[1]/div[10]/a[1]", {"/html[1]/body[1]/div[1]"},
                std::nullopt},
        RowCase{"not its own row", "/html[1]/body[1]/div[1]", {"/html[1]/body[1]/div[1]"}, std::nullopt},
        RowCase{"not across a frame's document", "/html[1]/body[1]/iframe[1]/#document/html[1]/body[1]/a[1]",
                {"/html[1]/body[1]"}, std::nullopt},
        RowCase{"inside the frame's own document", "/html[1]/body[1]/iframe[1]/#document/html[1]/body[1]/a[1]",
                {"/html[1]/body[1]", "/html[1]/body[1]/iframe[1]/#document/html[1]/body[1]"}, 1},
        RowCase{"into a shadow root", "/html[1]/body[1]/x-card[1]/#shadow-root/a[1]", {"/html[1]/body[1]/x-card[1]"},
                0},
        RowCase{"no path, null or a number is skipped", kLink, {"", nullptr, 3, "/html[1]/body[1]"}, 3},
        RowCase{"no texts", kLink, {}, std::nullopt}));

}  // namespace
