#include <gtest/gtest.h>

#include "engine/strategies/placement/placement.h"

namespace kp = kelvo::placement;
using kelvo::Record;

struct PlacementCase {
  Record parsed_instruction;
  Record matrix;
  Record dom_candidates;
  const char* refused;  // the argument named in the error, or nullptr
  const char* why;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.why; }

class SpatialStrategyArguments : public testing::TestWithParam<PlacementCase> {};

TEST_P(SpatialStrategyArguments, ChecksInOrderAndAnswersNothing) {
  const auto& c = GetParam();
  kp::SpatialStrategy strategy;
  if (!c.refused) {
    EXPECT_EQ(strategy.resolve(c.parsed_instruction, c.matrix, c.dom_candidates), std::nullopt)
        << c.why;
    return;
  }
  try {
    strategy.resolve(c.parsed_instruction, c.matrix, c.dom_candidates);
    FAIL() << c.why;
  } catch (const kp::ArgumentError& e) {
    EXPECT_EQ(e.argument(), c.refused) << c.why;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpatialStrategyArguments,
    testing::Values(
        PlacementCase{Record::object(), Record::object(), Record::array(), nullptr, "empty but well typed"},
        PlacementCase{Record::parse(R"({"action": "click"})"), Record::parse(R"({"a": 1})"),
                      Record::parse(R"([{"tag": "a"}])"), nullptr, "contents are not read"},
        PlacementCase{Record::array(), Record::array(), "x", "parsed_instruction",
                      "first wrong argument named first"},
        PlacementCase{Record::object(), Record::array(), Record::array(), "matrix",
                      "the built matrix is a list, not a map"},
        PlacementCase{Record::object(), Record::object(), Record(), "dom_candidates",
                      "null is not a list"}));
