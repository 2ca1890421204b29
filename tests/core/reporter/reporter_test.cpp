#include <gtest/gtest.h>

#include <string>

#include "harness/reporter/reporter.h"

using namespace kelvo;
using namespace kelvo::reporter;

namespace {

Record result(const std::string& file, const std::string& status, const std::string& test = "t") {
  return Record{{"nodeid", file + "::" + test}, {"file", file}, {"test", test},
                {"status", status}, {"duration", 0.5}, {"message", ""}, {"when", "call"}};
}

std::size_t occurrences(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(EscapeHtml, EveryMarkupCharacterBecomesAnEntity) {
  struct Case { const char* in; const char* out; const char* why; };
  const Case cases[] = {
      {"assert a < b", "assert a &lt; b", "comparison in a failure message"},
      {"x > 1 && y", "x &gt; 1 &amp;&amp; y", "ampersands are escaped first-class"},
      {"it's \"quoted\"", "it&#x27;s &quot;quoted&quot;", "both quote styles close attributes"},
      {"caf\xC3\xA9 \xE2\x9C\x93", "caf\xC3\xA9 \xE2\x9C\x93", "non-ASCII text passes unchanged"},
      {"", "", "empty"},
  };
  for (const auto& c : cases) EXPECT_EQ(escape_html(c.in), c.out) << c.why;
}

TEST(EscapeJsString, NothingCanLeaveTheStringOrTheAttribute) {
  struct Case { const char* in; const char* out; const char* why; };
  const Case cases[] = {
      {"steps-tests/test_a.py-0", "steps-tests/test_a.py-0", "ordinary ids stay readable"},
      {"a'b", "a\\x27b", "single quote ends the string"},
      {"a\"b", "a\\x22b", "double quote ends the attribute"},
      {"a\\b", "a\\x5cb", "backslash would eat the next escape"},
      {"</script>", "\\x3c/script\\x3e", "angle brackets"},
      {"a&quot;b", "a\\x26quot\\x3bb", "entities are decoded before the script runs"},
      {"a\nb", "a\\x0ab", "line break ends a string literal"},
      {"a\xE2\x80\xA8" "b", "a\\u2028b", "line separator"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "letters beyond ASCII are kept"},
  };
  for (const auto& c : cases) EXPECT_EQ(escape_js_string(c.in), c.out) << c.why;
}

TEST(PassRate, RoundsHalvesToEven) {
  struct Case { std::int64_t passed, total, rate; const char* why; };
  const Case cases[] = {
      {0, 0, 0, "empty run"},
      {2, 3, 67, "66.67 rounds up"},
      {1, 8, 12, "12.5 rounds to even (down)"},
      {3, 8, 38, "37.5 rounds to even (up)"},
      {1, 3, 33, "33.33 rounds down"},
      {5, 5, 100, "all passed"},
      {0, 4, 0, "none passed"},
  };
  for (const auto& c : cases) EXPECT_EQ(pass_rate(c.passed, c.total), c.rate) << c.why;
}

TEST(Durations, RunAndTestForms) {
  struct Case { double seconds; const char* out; const char* why; };
  const Case run[] = {
      {12.3449, "12.34", "two decimals"},
      {3.5, "3.5", "shortest form drops the trailing zero"},
      {0.0, "0.0", "keeps one fractional digit"},
      {0.004, "0.0", "rounds to zero"},
      {2.675, "2.67", "binary value just below the half"},
      {7.0, "7.0", "whole seconds"},
  };
  for (const auto& c : run) EXPECT_EQ(format_run_duration(c.seconds), c.out) << c.why;

  EXPECT_EQ(format_test_duration(Record(0.5)), "0.50");
  EXPECT_EQ(format_test_duration(Record(3)), "3.00");
  EXPECT_EQ(format_test_duration(Record(nullptr)), "None");
}

TEST(Counting, ByStatusOtherStatusesOnlyInTotal) {
  std::vector<Record> results = {result("a.py", "passed"), result("a.py", "failed"),
                                 result("b.py", "skipped"), result("b.py", "passed"),
                                 result("b.py", "xfailed")};
  Counts c = count_results(results);
  EXPECT_EQ(c.total, 5);
  EXPECT_EQ(c.passed, 2);
  EXPECT_EQ(c.failed, 1);
  EXPECT_EQ(c.skipped, 1);
}

TEST(Grouping, FilesInOrderOfFirstResultTestsInArrivalOrder) {
  std::vector<Record> results = {result("b.py", "passed", "one"), result("a.py", "passed", "two"),
                                 result("b.py", "failed", "three")};
  auto groups = group_by_file(results);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].file, "b.py");
  ASSERT_EQ(groups[0].tests.size(), 2u);
  EXPECT_EQ(get_string(*groups[0].tests[1], "test"), "three");
  EXPECT_EQ(groups[1].file, "a.py");
}

TEST(Render, EmptyRunHasZeroCountsAndEmptyGroups) {
  std::string html = render_report({}, Record(nullptr), 0.0);
  EXPECT_NE(html.find("<div class='value'>0%</div>"), std::string::npos);
  EXPECT_NE(html.find("<div class='groups' id='groups'>\n</div>"), std::string::npos);
  EXPECT_NE(html.find("Completed in 0.0s"), std::string::npos);
}

TEST(Render, IconsAndBadgesByStatus) {
  struct Case { const char* status; const char* icon; };
  const Case cases[] = {{"passed", "\u2713"}, {"failed", "\u2717"}, {"skipped", "\u25CB"},
                        {"weird", "?"}};
  for (const auto& c : cases) {
    std::string html = render_report({result("a.py", c.status)}, Record(nullptr), 1.0);
    EXPECT_NE(html.find(std::string("<span class='icon ") + c.status + "'>" + c.icon),
              std::string::npos)
        << c.status;
  }
  std::string html = render_report(
      {result("a.py", "passed"), result("a.py", "failed", "u"), result("a.py", "failed", "v")},
      Record(nullptr), 1.0);
  EXPECT_NE(html.find("<span class='badge failed'>2 failed</span>"), std::string::npos);
  EXPECT_EQ(html.find("skipped</span>"), std::string::npos) << "no badge for a zero count";
}

TEST(RenderStep, IncompleteRecordsShowAsFailedWithANote) {
  struct Case { Record step; const char* icon_class; const char* note; const char* why; };
  const Case cases[] = {
      {Record{{"status", "passed"}, {"instruction", "click Login"}}, "icon passed", nullptr,
       "complete record"},
      {Record{{"instruction", "click Login"}}, "icon failed", "step record lacks status",
       "no status"},
      {Record{{"status", "passed"}}, "icon failed", "step record lacks instruction",
       "no instruction"},
      {Record::object(), "icon failed", "step record lacks status and instruction", "empty"},
      {Record(nullptr), "icon failed", "not a step record", "not an object"},
  };
  for (const auto& c : cases) {
    std::string row = render_step(c.step);
    EXPECT_NE(row.find(c.icon_class), std::string::npos) << c.why;
    if (c.note) EXPECT_NE(row.find(c.note), std::string::npos) << c.why;
    else EXPECT_EQ(row.find("step-msg"), std::string::npos) << c.why;
  }
}

TEST(RenderStep, OptionalBoxesOnlyWhenNonEmpty) {
  Record step{{"status", "failed"}, {"instruction", "type <b> into Name"}, {"message", ""},
              {"screenshot", "iVBOR"}};
  std::string row = render_step(step);
  EXPECT_NE(row.find("\u2717"), std::string::npos);
  EXPECT_NE(row.find("type &lt;b&gt; into Name"), std::string::npos);
  EXPECT_EQ(row.find("step-msg"), std::string::npos) << "empty message leaves no box";
  EXPECT_NE(row.find("src='data:image/png;base64,iVBOR' alt='screenshot'"), std::string::npos);
}

TEST(Render, HostileValuesStayText) {
  Record hostile = result("x'\"><script>alert(1)</script>.py", "passed", "<img src=x onerror=alert(1)>");
  Record steps = Record::object();
  steps[get_string(hostile, "nodeid")] =
      Record::array({Record{{"status", "passed' onmouseover='alert(1)"},
                            {"instruction", "</td><script>alert(2)</script>"}}});
  std::string html = render_report({hostile}, steps, 1.0);
  EXPECT_EQ(occurrences(html, "<script>"), 1u) << "only the page's own script element";
  EXPECT_EQ(html.find("<img src=x"), std::string::npos);
  EXPECT_EQ(html.find("' onmouseover='"), std::string::npos);
  EXPECT_NE(html.find("toggleSteps('steps-x\\x27\\x22\\x3e\\x3cscript\\x3ealert"),
            std::string::npos);
}

TEST(Render, StepsExpandOnlyForTestsThatHaveThem) {
  Record steps = Record::object();
  steps["a.py::one"] = Record::array({Record{{"status", "passed"}, {"instruction", "go"}}});
  steps["a.py::two"] = Record::array();
  std::string html = render_report(
      {result("a.py", "passed", "one"), result("a.py", "passed", "two")}, steps, 1.0);
  EXPECT_EQ(occurrences(html, "class='expand-btn'"), 1u);
  EXPECT_NE(html.find("id='steps-a.py-0'"), std::string::npos);
  EXPECT_EQ(html.find("id='steps-a.py-1'"), std::string::npos);
}
