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

TEST(Render, FurtherOutcomesHaveIconsCardsAndFiltersOnlyWhenPresent) {
  struct Case { const char* status; const char* icon; const char* card; };
  const Case cases[] = {{"error", "\u26A0", "Errors"},
                        {"xfailed", "\u2298", "Expected Failures"},
                        {"xpassed", "\u2295", "Unexpected Passes"},
                        {"interrupted", "\u25A0", "Interrupted"}};
  for (const auto& c : cases) {
    std::string html = render_report({result("a.py", c.status), result("a.py", "passed", "u")},
                                     Record(nullptr), 1.0);
    EXPECT_NE(html.find(std::string("<span class='icon ") + c.status + "'>" + c.icon),
              std::string::npos) << c.status;
    EXPECT_NE(html.find(std::string("<div class='card ") + c.status + "'><div class='label'>" +
                        c.card + "</div><div class='value'>1</div>"),
              std::string::npos) << c.status;
    EXPECT_NE(html.find(std::string("filter('") + c.status + "', this)"), std::string::npos);
    EXPECT_NE(html.find(std::string("<span class='badge ") + c.status + "'>1 " + c.status),
              std::string::npos) << "file badge";
    EXPECT_NE(html.find("<div class='value'>50%</div>"), std::string::npos)
        << "only passes count towards the pass rate";
  }
  std::string plain = render_report({result("a.py", "passed")}, Record(nullptr), 1.0);
  for (const auto& c : cases) {
    EXPECT_EQ(plain.find(std::string("card ") + c.status), std::string::npos) << c.status;
    EXPECT_EQ(plain.find(std::string("filter('") + c.status), std::string::npos) << c.status;
  }
}

TEST(Render, ReasonRowUnderEveryTestThatDidNotSimplyPass) {
  struct Case { Record test; const char* label; const char* body; const char* why; };
  auto with = [](Record r, const char* key, Record value) { r[key] = std::move(value); return r; };
  const Case cases[] = {
      {with(result("a.py", "failed"), "message", "assert 2 < 1"), "Failed", "assert 2 &lt; 1",
       "a failure outside any step"},
      {with(with(result("a.py", "failed"), "message", "boom"), "when", "setup"), "Failed in setup",
       "boom", "a fixture error"},
      {with(with(result("a.py", "error"), "message", "late"), "when", "teardown"),
       "Error in teardown", "late", "teardown error after a pass"},
      {with(with(result("a.py", "xfailed"), "message", "assert 0"), "reason", "bug 7"),
       "Expected failure: bug 7", "assert 0", "labelled as expected"},
      {with(result("a.py", "xpassed"), "reason", "bug 8"), "Passed, but was expected to fail: bug 8",
       "", "unexpected pass"},
      {with(with(result("a.py", "skipped"), "message", "('x.py', 3, 'Skipped: later')"), "reason",
            "later"), "Skipped", "later", "the reason, not the tuple text"},
  };
  for (const auto& c : cases) {
    std::string html = render_report({c.test}, Record(nullptr), 1.0);
    EXPECT_NE(html.find(std::string("<div class='test-msg-label'>") + c.label + "</div>" + c.body +
                        "</div>"),
              std::string::npos) << c.why;
  }
  EXPECT_EQ(render_report({result("a.py", "passed")}, Record(nullptr), 1.0).find("class='test-detail'"),
            std::string::npos) << "a pass has no reason row";
  Record with_traceback = with(with(result("a.py", "failed"), "message", "E"), "traceback",
                               "def test():\n>   assert x < 1\nE");
  std::string html = render_report({with_traceback}, Record(nullptr), 1.0);
  EXPECT_NE(html.find("<pre>def test():\n&gt;   assert x &lt; 1\nE</pre>"), std::string::npos);
}

TEST(Render, StepsSpanTheWholeTableAndReRunsShowAsABadge) {
  Record steps = Record::object();
  steps["a.py::t"] = Record::array({Record{{"status", "passed"}, {"instruction", "go"}}});
  Record test = result("a.py", "passed");
  test["reruns"] = 2;
  std::string html = render_report({test}, steps, 1.0);
  EXPECT_NE(html.find("<td colspan='5' style='padding:0 16px 12px 40px'>"), std::string::npos);
  EXPECT_NE(html.find("<span class='badge rerun'>2 reruns</span>"), std::string::npos);
}

TEST(Render, TraceLinkOnlyForARelativePath) {
  struct Case { const char* trace; bool linked; const char* why; };
  const Case cases[] = {{"traces/a-1.zip", true, "a file beside the report"},
                        {"javascript:alert(1)", false, "no scheme"},
                        {"/etc/passwd", false, "no absolute path"},
                        {"", false, "empty"}};
  for (const auto& c : cases) {
    Record test = result("a.py", "failed");
    test["trace"] = c.trace;
    std::string html = render_report({test}, Record(nullptr), 1.0);
    EXPECT_EQ(html.find("class='trace-link'") != std::string::npos, c.linked) << c.why;
  }
}

TEST(Render, EnvironmentBlockAndInterruptedBanner) {
  RunInfo run;
  run.environment = Record::array({Record::array({"Python", "3.11.2"}),
                                   Record::array({"Base URL", "http://x/?a=1&b=<2>"})});
  run.interrupted = true;
  std::string html = render_report({}, Record(nullptr), 1.0, run);
  EXPECT_NE(html.find("<tr><th>Python</th><td>3.11.2</td></tr>"), std::string::npos);
  EXPECT_NE(html.find("<td>http://x/?a=1&amp;b=&lt;2&gt;</td>"), std::string::npos);
  EXPECT_NE(html.find("class='banner interrupted'"), std::string::npos);
  std::string plain = render_report({}, Record(nullptr), 1.0);
  EXPECT_EQ(plain.find("class='environment'"), std::string::npos);
  EXPECT_EQ(plain.find("class='banner"), std::string::npos);
}

TEST(RenderStep, TimingElementAndHowItWasFound) {
  Record step{{"status", "passed"}, {"instruction", "click Login"}, {"started", 0.25},
              {"duration", 0.4204}, {"element", Record{{"tag", "button"}, {"text", "Log <in>"},
                                                       {"role", "button"}}},
              {"resolved_by", "text"}, {"message", "extracted '42'"}};
  std::string row = render_step(step);
  EXPECT_NE(row.find("<span class='step-start'>" + format_clock_time(0.25) + "</span>"),
            std::string::npos);
  EXPECT_NE(row.find("<span class='step-duration'>420 ms</span>"), std::string::npos);
  EXPECT_NE(row.find("&lt;button&gt;"), std::string::npos);
  EXPECT_NE(row.find("\u201CLog &lt;in&gt;\u201D"), std::string::npos);
  EXPECT_NE(row.find("found by text"), std::string::npos);
  EXPECT_NE(row.find("<div class='step-msg step-note'>extracted &#x27;42&#x27;</div>"),
            std::string::npos) << "a passed step's message is a note, not an error";
  EXPECT_EQ(render_step(Record{{"status", "passed"}, {"instruction", "go"}}).find("step-meta"),
            std::string::npos) << "no meta line without timing or element";
}

TEST(StepTimes, ClockAndDurationForms) {
  EXPECT_EQ(format_step_duration(0.0), "0 ms");
  EXPECT_EQ(format_step_duration(0.9994), "999 ms");
  EXPECT_EQ(format_step_duration(1.256), "1.26 s");
  EXPECT_EQ(format_step_duration(-1.0), "");
  EXPECT_EQ(format_clock_time(-5.0), "");
  EXPECT_EQ(format_clock_time(0.5).substr(8), ".500");
}
