#include "harness/reporter/reporter.h"

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

void append_summary(std::string& out, const Counts& c, std::int64_t rate,
                    const std::string& duration) {
  out += "<div class='summary'>\n";
  append_card(out, "total", "Total", std::to_string(c.total));
  append_card(out, "passed", "Passed", std::to_string(c.passed));
  append_card(out, "failed", "Failed", std::to_string(c.failed));
  append_card(out, "skipped", "Skipped", std::to_string(c.skipped));
  append_card(out, "rate", "Pass Rate", std::to_string(rate) + "%");
  append_card(out, "time", "Duration", duration + "s");
  out += "</div>\n";
}

void append_filters(std::string& out) {
  out += "<div class='filters'>\n  <label>Filter:</label>\n"
         "  <button class='filter-btn active' onclick=\"filter('all', this)\">All</button>\n"
         "  <button class='filter-btn passed' onclick=\"filter('passed', this)\">Passed</button>\n"
         "  <button class='filter-btn failed' onclick=\"filter('failed', this)\">Failed</button>\n"
         "  <button class='filter-btn skipped' onclick=\"filter('skipped', this)\">Skipped</button>\n"
         "</div>\n";
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

  out += "<tr class='test-row' data-status='" + status_attr + "' data-file='" +
         escape_html(file) + "'>\n";
  out += "  <td><span class='icon " + status_attr + "'>" + status_icon(status) + "</span></td>\n";
  out += "  <td class='test-name'>" + escape_html(text_of_key(test, "test")) + "</td>\n";
  out += "  <td>";
  if (steps) {
    out += "<button class='expand-btn' onclick=\"toggleSteps('" +
           escape_html(escape_js_string(steps_id)) + "', this)\">\u25B6 steps</button>";
  }
  out += "</td>\n";
  out += "  <td><span class='badge " + status_attr + "'>" + escape_html(status) + "</span></td>\n";
  const Record* duration = find_key(test, "duration");
  out += "  <td class='duration'>" +
         escape_html(format_test_duration(duration ? *duration : Record(nullptr))) +
         "s</td>\n</tr>\n";
  if (!steps) return;

  out += "<tr class='steps-container hidden' id='" + escape_html(steps_id) + "'>\n";
  out += "  <td colspan='4' style='padding:0 16px 12px 40px'>\n";
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
  out += "  <span class='file-counts'><span class='badge passed'>" + std::to_string(c.passed) +
         " passed</span>";
  append_badge(out, "failed", c.failed);
  append_badge(out, "skipped", c.skipped);
  out += "</span>\n</div>\n";
  out += "<table class='test-table'>\n<thead><tr><th></th><th>Test</th><th></th>"
         "<th>Status</th><th>Duration</th></tr></thead>\n<tbody>\n";
  for (std::size_t idx = 0; idx < group.tests.size(); ++idx) {
    append_test(out, *group.tests[idx], group.file, idx, steps_by_nodeid);
  }
  out += "</tbody>\n</table>\n</div>\n";
}

}  // namespace

const char* status_icon(const std::string& status) {
  if (status == "passed") return "\u2713";
  if (status == "failed") return "\u2717";
  if (status == "skipped") return "\u25CB";
  return "?";
}

std::string render_step(const Record& step) {
  std::string note;
  if (!step.is_object()) {
    note = "not a step record";
  } else {
    const bool no_status = !find_key(step, "status");
    const bool no_instruction = !find_key(step, "instruction");
    if (no_status && no_instruction) note = "step record lacks status and instruction";
    else if (no_status) note = "step record lacks status";
    else if (no_instruction) note = "step record lacks instruction";
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
  if (!note.empty()) out += "<div class='step-msg'>" + escape_html(note) + "</div>";
  if (step.is_object() && has_text(step, "message")) {
    out += "<div class='step-msg'>" + escape_html(text_of_key(step, "message")) + "</div>";
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
  const Counts counts = count_results(results);
  const std::string duration = format_run_duration(elapsed_seconds);
  const std::int64_t rate = pass_rate(counts.passed, counts.total);
  const std::vector<FileGroup> groups = group_by_file(results);

  std::string out;
  out.reserve(16384 + results.size() * 1024);
  append_page_start(out, duration);
  append_summary(out, counts, rate, duration);
  append_filters(out);
  out += "<div class='groups' id='groups'>\n";
  for (const FileGroup& group : groups) append_group(out, group, steps_by_nodeid);
  out += "</div>\n<script>\n";
  out += scripts::report_ui;
  out += "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace kelvo::reporter
