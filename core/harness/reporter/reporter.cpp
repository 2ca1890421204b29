#include "harness/reporter/reporter.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "harness/reporter/stylesheet.h"
#include "reporter_scripts.h"

namespace kelvo::reporter {

namespace {

// Values arrive as strings from the plug-in; anything else is written as its text,
// null as "None".
std::string text_of(const Record& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_null()) return "None";
  if (value.is_boolean()) return value.get<bool>() ? "True" : "False";
  return value.dump();
}

std::string text_of_key(const Record& record, const char* key) {
  const Record* value = find_key(record, key);
  return value ? text_of(*value) : "None";
}

// Present and non-empty, as an optional box requires.
bool has_text(const Record& record, const char* key) {
  const Record* value = find_key(record, key);
  if (!value || value->is_null()) return false;
  // Record::empty() is false for every string, so text is measured itself.
  if (value->is_string()) return !value->get_ref<const std::string&>().empty();
  if (value->is_array() || value->is_object()) return !value->empty();
  if (value->is_boolean()) return value->get<bool>();
  if (value->is_number()) return value->get<double>() != 0.0;
  return false;
}

void append_badge(std::string& out, const char* status, std::int64_t count) {
  if (count == 0) return;
  out += "<span class='badge ";
  out += status;
  out += "'>" + std::to_string(count) + " " + status + "</span>";
}

void append_page_start(std::string& out, const std::string& duration) {
  out += "<!DOCTYPE html>\n<html lang='en'>\n<head>\n<meta charset='UTF-8'>\n";
  out += "<meta name='viewport' content='width=device-width, initial-scale=1.0'>\n";
  out += "<title>kelvo \u2014 Test Report</title>\n<style>";
  out += kStyleSheet;
  out += "</style>\n</head>\n<body>\n";
  out += "<div class='header'>\n  <h1>kelvo \u2014 Test Report</h1>\n";
  out += "  <div class='meta'>Completed in " + duration + "s</div>\n</div>\n";
}

void append_card(std::string& out, const char* cls, const char* label, const std::string& value) {
  out += "  <div class='card ";
  out += cls;
  out += "'><div class='label'>";
  out += label;
  out += "</div><div class='value'>" + value + "</div></div>\n";
}

void append_summary(std::string& out, const Counts& c, std::int64_t rate, const std::string& duration) {
  out += "<div class='summary'>\n";
  append_card(out, "total", "Total", std::to_string(c.total));
  for (std::size_t i = 0; i < std::size(kOutcomes); ++i) {
    const Outcome& o = kOutcomes[i];
    if (i < kCoreOutcomes || c.of(o.status) > 0) {
      append_card(out, o.status, o.card_label, std::to_string(c.of(o.status)));
    }
  }
  append_card(out, "rate", "Pass Rate", std::to_string(rate) + "%");
  append_card(out, "time", "Duration", duration + "s");
  out += "</div>\n";
}

void append_filters(std::string& out, const Counts& c) {
  out +=
      "<div class='filters'>\n  <label>Filter:</label>\n"
      "  <button class='filter-btn active' onclick=\"filter('all', this)\">All</button>\n";
  for (std::size_t i = 0; i < std::size(kOutcomes); ++i) {
    const Outcome& o = kOutcomes[i];
    if (i >= kCoreOutcomes && c.of(o.status) == 0) continue;
    out += std::string("  <button class='filter-btn ") + o.status + "' onclick=\"filter('" + o.status +
           "', this)\">" + o.filter_label + "</button>\n";
  }
  out += "</div>\n";
}

void append_environment(std::string& out, const Record& environment) {
  if (!environment.is_array() || environment.empty()) return;
  out +=
      "<details class='environment'>\n  <summary>Environment</summary>\n"
      "  <table class='env-table'><tbody>\n";
  for (const Record& row : environment) {
    if (!row.is_array() || row.size() != 2) continue;
    out += "    <tr><th>" + escape_html(text_of(row[0])) + "</th><td>" + escape_html(text_of(row[1])) +
           "</td></tr>\n";
  }
  out += "  </tbody></table>\n</details>\n";
}

// The line above a test's reason: what happened, and in which phase when not the call.
std::string reason_label(const std::string& status, const Record& test) {
  const std::string when = get_string(test, "when");
  const std::string phase = (when == "setup" || when == "teardown") ? " in " + when : "";
  const std::string reason = get_string(test, "reason");
  if (status == "failed") return "Failed" + phase;
  if (status == "error") return "Error" + phase;
  if (status == "interrupted") return "Interrupted";
  if (status == "xfailed") return reason.empty() ? "Expected failure" : "Expected failure: " + reason;
  if (status == "xpassed") {
    return reason.empty() ? "Passed, but was expected to fail"
                          : "Passed, but was expected to fail: " + reason;
  }
  if (status == "skipped") return "Skipped";
  return status;
}

// A row under the test with why it did not simply pass: the failure message (and the
// traceback, folded), the skip reason, the expectation of an expected failure.
void append_reason(std::string& out, const Record& test, const std::string& status,
                   const std::string& status_attr, const std::string& file_attr) {
  if (status == "passed") return;
  std::string message = get_string(test, "message");
  if (status == "skipped") {
    const std::string reason = get_string(test, "reason");
    if (!reason.empty()) message = reason;
    if (message.empty()) return;
  }
  const std::string traceback = get_string(test, "traceback");
  out += "<tr class='test-detail' data-status='" + status_attr + "' data-file='" + file_attr +
         "'>\n  <td></td>\n  <td colspan='4'><div class='test-msg " + status_attr +
         "'><div class='test-msg-label'>" + escape_html(reason_label(status, test)) + "</div>";
  if (!message.empty() && status != "xpassed") out += escape_html(message);
  out += "</div>";
  if (!traceback.empty() && traceback != message) {
    out += "<details class='traceback'><summary>Traceback</summary><pre>" + escape_html(traceback) +
           "</pre></details>";
  }
  out += "</td>\n</tr>\n";
}

// What each attempt pytest-rerunfailures ran again failed with, under the test, whatever its
// last outcome: a flaky test that passed on its last try still shows why it needed another.
void append_earlier_attempts(std::string& out, const Record& test, const std::string& status_attr,
                             const std::string& file_attr) {
  const Record* earlier = find_key(test, "earlier_failures");
  if (!earlier || !earlier->is_array() || earlier->empty()) return;
  out += "<tr class='test-detail' data-status='" + status_attr + "' data-file='" + file_attr +
         "'>\n  <td></td>\n  <td colspan='4'><div class='test-msg earlier'><div class='test-msg-label'>"
         "Earlier attempts</div>";
  std::size_t attempt = 0;
  for (const Record& message : *earlier) {
    out += "<div class='earlier-attempt'>attempt " + std::to_string(++attempt) + ": " +
           escape_html(message.is_string() ? message.get<std::string>() : std::string("failed")) + "</div>";
  }
  out += "</div></td>\n</tr>\n";
}

// A link to the test's Playwright trace, a file beside the report. Only a relative path
// is linked: a record cannot make the page open another scheme.
void append_trace_link(std::string& out, const Record& test) {
  const std::string trace = get_string(test, "trace");
  if (trace.empty() || trace.find(':') != std::string::npos || trace[0] == '/') return;
  out += " <a class='trace-link' href='" + escape_html(trace) +
         "' download title='Open with: playwright show-trace " + escape_html(trace) + "'>trace</a>";
}

// Links to pytest-playwright's files of the test (trace, failure screenshot, video), relative
// paths only, as for the trace.
void append_artifact_links(std::string& out, const Record& test) {
  const Record* artifacts = find_key(test, "artifacts");
  if (!artifacts || !artifacts->is_array()) return;
  for (const Record& artifact : *artifacts) {
    const std::string href = get_string(artifact, "href");
    const std::string name = get_string(artifact, "name");
    if (href.empty() || name.empty() || href.find(':') != std::string::npos || href[0] == '/') continue;
    out += " <a class='artifact-link' href='" + escape_html(href) + "' title='" + escape_html(href) + "'>" +
           escape_html(name) + "</a>";
  }
}

const Record* steps_of(const Record& steps_by_nodeid, const Record& test) {
  const Record* nodeid = find_key(test, "nodeid");
  if (!nodeid || !nodeid->is_string()) return nullptr;
  const Record* steps = find_key(steps_by_nodeid, nodeid->get<std::string>());
  if (!steps || steps->is_null() || (steps->is_array() && steps->empty())) return nullptr;
  return steps;
}

void append_test(std::string& out, const Record& test, const std::string& file, std::size_t idx,
                 const Record& steps_by_nodeid) {
  const std::string status = text_of_key(test, "status");
  const std::string status_attr = escape_html(status);
  const Record* steps = steps_of(steps_by_nodeid, test);
  const std::string steps_id = "steps-" + file + "-" + std::to_string(idx);

  out += "<tr class='test-row' data-status='" + status_attr + "' data-file='" + escape_html(file) + "'>\n";
  out += "  <td><span class='icon " + status_attr + "'>" + status_icon(status) + "</span></td>\n";
  out += "  <td class='test-name'>" + escape_html(text_of_key(test, "test")) + "</td>\n";
  out += "  <td>";
  if (steps) {
    out += "<button class='expand-btn' onclick=\"toggleSteps('" + escape_html(escape_js_string(steps_id)) +
           "', this)\">\u25B6 steps</button>";
  }
  append_trace_link(out, test);
  append_artifact_links(out, test);
  out += "</td>\n";
  out += "  <td><span class='badge " + status_attr + "'>" + escape_html(status) + "</span>";
  const Record* reruns = find_key(test, "reruns");
  if (reruns && reruns->is_number_integer() && reruns->get<std::int64_t>() > 0) {
    const std::int64_t n = reruns->get<std::int64_t>();
    out += " <span class='badge rerun'>" + std::to_string(n) + (n == 1 ? " rerun" : " reruns") + "</span>";
  }
  out += "</td>\n";
  const Record* duration = find_key(test, "duration");
  out += "  <td class='duration'>" +
         escape_html(format_test_duration(duration ? *duration : Record(nullptr))) + "s</td>\n</tr>\n";
  const std::string file_attr = escape_html(file);
  append_reason(out, test, status, status_attr, file_attr);
  append_earlier_attempts(out, test, status_attr, file_attr);
  if (!steps) return;

  // The steps span every column of the test table.
  out += "<tr class='steps-container hidden' id='" + escape_html(steps_id) + "' data-status='" + status_attr +
         "'>\n";
  out += "  <td colspan='5' style='padding:0 16px 12px 40px'>\n";
  out += "    <table class='steps-table'><tbody>\n";
  if (steps->is_array()) {
    for (const Record& step : *steps) out += render_step(step);
  } else {
    // A steps entry that is not a list still gets a visible row rather than vanishing.
    out += render_step(Record(nullptr));
  }
  out += "    </tbody></table>\n  </td>\n</tr>\n";
}

void append_group(std::string& out, const FileGroup& group, const Record& steps_by_nodeid) {
  const Counts c = count_results(group.tests);
  const std::string file = escape_html(group.file);
  out += "<div class='file-group' data-file='" + file + "'>\n";
  out += "<div class='file-header' onclick='toggleGroup(this)'>\n";
  out += "  <span class='chevron'>\u25BC</span>\n";
  out += "  <span class='file-name'>" + file + "</span>\n";
  out +=
      "  <span class='file-counts'><span class='badge passed'>" + std::to_string(c.passed) + " passed</span>";
  for (std::size_t i = 1; i < std::size(kOutcomes); ++i) {
    append_badge(out, kOutcomes[i].status, c.of(kOutcomes[i].status));
  }
  out += "</span>\n</div>\n";
  out +=
      "<table class='test-table'>\n<thead><tr><th></th><th>Test</th><th></th>"
      "<th>Status</th><th>Duration</th></tr></thead>\n<tbody>\n";
  for (std::size_t idx = 0; idx < group.tests.size(); ++idx) {
    append_test(out, *group.tests[idx], group.file, idx, steps_by_nodeid);
  }
  out += "</tbody>\n</table>\n</div>\n";
}

// The line under a step's instruction: when it started, how long it took, and the
// element it acted on with how that element was found.
void append_step_meta(std::string& out, const Record& step) {
  std::string meta;
  const Record* started = find_key(step, "started");
  if (started && started->is_number()) {
    const std::string clock = format_clock_time(started->get<double>());
    if (!clock.empty()) meta += "<span class='step-start'>" + clock + "</span>";
  }
  const Record* duration = find_key(step, "duration");
  if (duration && duration->is_number()) {
    const std::string took = format_step_duration(duration->get<double>());
    if (!took.empty()) meta += "<span class='step-duration'>" + took + "</span>";
  }
  const Record* element = find_key(step, "element");
  if (element && element->is_object()) {
    std::string what;
    const std::string tag = get_string(*element, "tag");
    const std::string text = get_string(*element, "text");
    const std::string role = get_string(*element, "role");
    if (!tag.empty()) what += "<span class='element-tag'>&lt;" + escape_html(tag) + "&gt;</span>";
    // Text and role stay plain text: a span each would add a sixth of a big report's bytes.
    if (!text.empty()) what += " \u201C" + escape_html(text) + "\u201D";
    if (!role.empty()) what += " role " + escape_html(role);
    if (!what.empty()) meta += "<span class='step-element'>" + what + "</span>";
  }
  const std::string resolved_by = get_string(step, "resolved_by");
  if (!resolved_by.empty()) {
    meta += "<span class='step-resolved'>found by " + escape_html(resolved_by) + "</span>";
  }
  if (!meta.empty()) out += "<div class='step-meta'>" + meta + "</div>";
}

}  // namespace

const char* status_icon(const std::string& status) {
  for (const Outcome& o : kOutcomes) {
    if (status == o.status) return o.icon;
  }
  return "?";
}

std::string format_clock_time(double epoch_seconds) {
  if (!std::isfinite(epoch_seconds) || epoch_seconds < 0) return "";
  const double whole = std::floor(epoch_seconds);
  const std::time_t t = static_cast<std::time_t>(whole);
  std::tm local{};
  if (!localtime_r(&t, &local)) return "";
  int millis = static_cast<int>((epoch_seconds - whole) * 1000.0);
  if (millis > 999) millis = 999;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec, millis);
  return buf;
}

std::string format_step_duration(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "";
  char buf[32];
  if (seconds < 1.0)
    std::snprintf(buf, sizeof buf, "%.0f ms", seconds * 1000.0);
  else
    std::snprintf(buf, sizeof buf, "%.2f s", seconds);
  return buf;
}

std::string render_step(const Record& step) {
  std::string note;
  if (!step.is_object()) {
    note = "not a step record";
  } else {
    const bool no_status = !find_key(step, "status");
    const bool no_instruction = !find_key(step, "instruction");
    if (no_status && no_instruction)
      note = "step record lacks status and instruction";
    else if (no_status)
      note = "step record lacks status";
    else if (no_instruction)
      note = "step record lacks instruction";
  }
  // An incomplete record is shown as failed: it cannot vouch for a passed step.
  const std::string status = note.empty() ? text_of_key(step, "status") : "failed";
  const std::string status_attr = escape_html(status);

  std::string out = "<tr class='step-row'>\n";
  out += "  <td><span class='icon " + status_attr + "' style='font-size:11px'>";
  out += status == "passed" ? "\u2713" : "\u2717";
  out += "</span></td>\n  <td class='step-text'>";
  if (step.is_object() && find_key(step, "instruction")) {
    out += escape_html(text_of_key(step, "instruction"));
  }
  if (step.is_object()) append_step_meta(out, step);
  if (!note.empty()) out += "<div class='step-msg'>" + escape_html(note) + "</div>";
  if (step.is_object() && has_text(step, "message")) {
    // A passed step's message is a note (an extracted value, a fallback taken), not an error.
    const char* box = status == "passed" ? "<div class='step-msg step-note'>" : "<div class='step-msg'>";
    out += box + escape_html(text_of_key(step, "message")) + "</div>";
  }
  if (step.is_object() && has_text(step, "screenshot")) {
    out += "<div class='step-screenshot'><img src='data:image/png;base64," +
           escape_html(text_of_key(step, "screenshot")) + "' alt='screenshot'></div>";
  }
  out += "</td>\n</tr>\n";
  return out;
}

std::string render_report(const std::vector<Record>& results, const Record& steps_by_nodeid,
                          double elapsed_seconds) {
  return render_report(results, steps_by_nodeid, elapsed_seconds, RunInfo{});
}

std::string render_report(const std::vector<Record>& results, const Record& steps_by_nodeid,
                          double elapsed_seconds, const RunInfo& run) {
  const Counts counts = count_results(results);
  const std::string duration = format_run_duration(elapsed_seconds);
  const std::int64_t rate = pass_rate(counts.passed, counts.total);
  const std::vector<FileGroup> groups = group_by_file(results);

  std::string out;
  out.reserve(16384 + results.size() * 1024);
  append_page_start(out, duration);
  if (run.interrupted) {
    out +=
        "<div class='banner interrupted'>The run was interrupted: tests after the "
        "interruption did not run, and this report lists only what ran.</div>\n";
  }
  append_summary(out, counts, rate, duration);
  append_environment(out, run.environment);
  append_filters(out, counts);
  out += "<div class='groups' id='groups'>\n";
  for (const FileGroup& group : groups) append_group(out, group, steps_by_nodeid);
  out += "</div>\n<script>\n";
  out += scripts::report_ui;
  out += "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace kelvo::reporter
