#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/step_files/step_files.h"

using namespace kelvo::step_files;

namespace {

Settings settings(bool has_url = true) {
  Settings s;
  s.has_url = has_url;
  s.environ = {{"FROM_ENV", "env value"}, {"NAME", "from the environment"}};
  s.variables = {{"NAME", "alice"}, {"PASSWORD", "hunter2"}};
  s.secret_names = {"PASSWORD"};
  s.tags = {"smoke"};
  return s;
}

std::vector<std::string> shown(const StepFile& file) {
  std::vector<std::string> out;
  for (const Problem& p : file.problems) out.push_back(std::to_string(p.line) + ": " + p.message);
  return out;
}

}  // namespace

TEST(StepFiles, EveryBadInputIsNamedByItsLine) {
  struct Case {
    const char* text;
    std::vector<std::string> starts;  // the start of each problem, in order
  };
  const Case cases[] = {
      {"## A\n- clik Login\n", {"2: Unknown action 'clik'"}},
      {"## A\n- click Go\n- type x into ${MISSING}\n", {"3: unknown variable ${MISSING}"}},
      {"## A\n- type ${bad name} into X\n", {"2: ${bad name} is no variable name"}},
      {"## A\n- type ${NAME into X\n", {"2: a '${' is never closed"}},
      {"Tags: smoke, nightly\n## A\n- click Go\n", {"1: unknown tag 'nightly'"}},
      {"Tags: a-b\n## A\n- click Go\n", {"1: the tag 'a-b' is no name"}},
      {"## A\n- click Go\nclick Stop\n", {"3: this line is no step"}},
      {"- click Go\n## A\n- click Go\n", {"1: steps belong under a test's"}},
      {"## A\n- click Go\nTags: smoke\n", {"3: 'Tags:' goes before the test's steps"}},
      {"## A\n\n## B\n- click Go\n", {"1: the test 'A' has no steps"}},
      {"## A\n- click Go\n## A\n- click Go\n", {"3: two tests are named 'A' (the first on line 1)"}},
      {"## A\n- click Go\n<!-- open\n", {"3: this comment is never closed"}},
      {"## A\n- click Go\n-\n", {"3: this step is empty"}},
      {"## A\n| x |\n- click Go\n", {"2: a table belongs under 'Examples:'"}},
      {"## A ${x}\n- type ${x} into E\nExamples:\n| x |\n| - |\n| 1 |\n", {"5: the second row"}},
      {"## A ${x}\n- type ${x} into E\nExamples:\n| x |\n| --- |\n| 1 | 2 |\n", {"6: this row has 2 cells"}},
      {"## A\n- click Go\nExamples:\n", {"3: 'Examples:' needs a table"}},
      {"## A ${x}\n- click ${x}\nExamples:\n| x | x |\n| --- | --- |\n| 1 | 2 |\n", {"4: two columns are named 'x'"}},
      {"## A ${x y}\n- click Go\nExamples:\n| x y |\n| --- |\n| 1 |\n", {"4: the column 'x y' is no variable"}},
      {"## A\n- click Go\n- click Stop\nExamples:\n| x |\n| --- |\n| 1 |\n- click More\n", {"8: steps go before"}},
      {"## Before each\nTags: smoke\n- click Go\n", {"2: 'Tags:' of the whole file goes above"}},
      {"## Before each\n- click Go\n## Before each\n- click Go\n", {"3: a file has one '## Before each'"}},
      {"## A::B\n- click Go\n", {"1: a test name cannot hold '::'"}},
      {"Examples:\n## A\n- click Go\n", {"1: 'Examples:' belongs to a test"}},
      {"Start:\n## A\n- click Go\n", {"1: 'Start:' needs an address"}},
      // Every problem of a file at once, in line order; a step shared by rows is named once.
      {"## A\n- clik Go\n- type ${NOPE} into X\n", {"2: Unknown action", "3: unknown variable"}},
      {"## A ${x}\n- clik ${x}\nExamples:\n| x |\n| --- |\n| Go |\n| Go |\n", {"1: two tests are named 'A Go'", "2: Unknown"}},
  };
  for (const Case& c : cases) {
    const StepFile file = read(c.text, settings());
    const std::vector<std::string> got = shown(file);
    ASSERT_EQ(got.size(), c.starts.size()) << c.text << "\n" << (got.empty() ? "" : got[0]);
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].rfind(c.starts[i], 0), 0u) << got[i];
    EXPECT_TRUE(file.tests.empty()) << "a file with a problem runs nothing: " << c.text;
  }
}

TEST(StepFiles, ARelativeStartNeedsTheRunsAddress) {
  EXPECT_EQ(shown(read("Start: x.html\n## A\n- click Go\n", settings(false))).at(0).rfind("1: the start address 'x.html' is relative", 0), 0u);
  const StepFile whole = read("Start: http://shop.test/x.html\n## A\n- click Go\n", settings(false));
  ASSERT_EQ(whole.tests.size(), 1u);
  EXPECT_EQ(whole.tests[0].start, "http://shop.test/x.html");
}

TEST(StepFiles, AFileReadsIntoItsTests) {
  const char* text =
      "# Title, and prose that is no step\n"       // 1
      "Start: shop/index.html\n"                    // 2
      "Tags: smoke\n"                               // 3
      "\n"                                          // 4
      "## Before each ##\n"                         // 5
      "- click Sign in\n"                           // 6
      "\n"                                          // 7
      "## Buy ${item}\n"                            // 8
      "A description before the steps.\n"          // 9
      "Start: ${FROM_ENV}.html\n"                   // 10
      "<!-- a comment\n"                            // 11
      "over lines -->\n"                            // 12
      "- type ${NAME} into Email\r\n"               // 13
      "1. type ${PASSWORD} into Password\n"         // 14
      "* verify text \\${literal} is present\n"     // 15
      "> a note\n"                                  // 16
      "Examples:\n"                                 // 17
      "| item          |\n"                         // 18
      "| :-----------: |\n"                         // 19
      "| Blue Backpack |\n"                         // 20
      "| Red \\| Hat    |\n"                        // 21
      "\n"                                          // 22
      "## Plain\n"                                  // 23
      "Tags: xfail smoke\n"                         // 24
      "+ click Buy\n";                              // 25
  const StepFile file = read(text, settings());
  ASSERT_TRUE(file.problems.empty()) << shown(file).at(0);
  ASSERT_EQ(file.tests.size(), 3u);
  EXPECT_EQ(file.tests[0].name, "Buy Blue Backpack");
  EXPECT_EQ(file.tests[1].name, "Buy Red | Hat");
  EXPECT_EQ(file.tests[0].start, "env value.html");
  EXPECT_EQ(file.tests[2].start, "shop/index.html");
  EXPECT_EQ(file.tests[2].tags, (std::vector<std::string>{"smoke", "xfail"}));
  const std::vector<std::pair<std::string, int>> steps = {{"click Sign in", 6},
                                                          {"type from the environment into Email", 13},
                                                          {"type hunter2 into Password", 14},
                                                          {"verify text ${literal} is present", 15}};
  ASSERT_EQ(file.tests[0].steps.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(file.tests[0].steps[i].text, steps[i].first);
    EXPECT_EQ(file.tests[0].steps[i].line, steps[i].second);
  }
  EXPECT_EQ(file.tests[2].steps.back().line, 25);
  EXPECT_EQ(file.secrets, (std::vector<std::string>{"hunter2"}));
}

TEST(StepFiles, ASecretIsMaskedInTheProblemsItIsPartOf) {
  const StepFile file = read("## A\n- ${PASSWORD} Login\n", settings());
  ASSERT_EQ(file.problems.size(), 1u);
  EXPECT_EQ(file.problems[0].message.find("hunter2"), std::string::npos);
  EXPECT_NE(file.problems[0].message.find("********"), std::string::npos);
  EXPECT_EQ(mask("a hunter2 b hunter2", {"hunter2", ""}), "a ******** b ********");
}
