// The HTML report of a test run: one self-contained page with the run's summary, a
// status filter, and one collapsible group per test file whose tests expand to the
// steps the agent recorded.
#pragma once

#include <string>
#include <vector>

#include "common/record.h"
#include "harness/reporter/escape.h"
#include "harness/reporter/summary.h"

namespace kelvo::reporter {

// `results`: result records (nodeid, file, test, status, duration, ...) in arrival order.
// `steps_by_nodeid`: an object from node id to that test's list of step records
// (status, instruction, optional message and screenshot); null or a missing entry
// means no steps. A step that is not an object, or lacks status or instruction, is
// shown as failed with a note instead of stopping the page: one bad record must not
// cost the whole run's report.
// `elapsed_seconds`: the run's wall-clock duration.
std::string render_report(const std::vector<Record>& results, const Record& steps_by_nodeid,
                          double elapsed_seconds);

// What a report says about the run as a whole, beside its tests.
struct RunInfo {
  // [name, value] pairs shown in the environment block (none: no block).
  Record environment = Record::array();
  // The run was stopped (Ctrl-C): a banner says the results are incomplete.
  bool interrupted = false;
};

std::string render_report(const std::vector<Record>& results, const Record& steps_by_nodeid,
                          double elapsed_seconds, const RunInfo& run);

// One step's row (exposed for tests). Besides the required keys a step may carry
// "started" (seconds since the epoch), "duration" (seconds), "element" (tag, text, role
// of what it acted on) and "resolved_by" (how that element was found).
std::string render_step(const Record& step);

// "✓" passed, "✗" failed, "○" skipped, an icon of its own for each further outcome,
// "?" anything else.
const char* status_icon(const std::string& status);

// A step's start as local wall-clock time, "HH:MM:SS.mmm".
std::string format_clock_time(double epoch_seconds);

// A step's duration: "420 ms" below a second, "1.25 s" from there.
std::string format_step_duration(double seconds);

}  // namespace kelvo::reporter
