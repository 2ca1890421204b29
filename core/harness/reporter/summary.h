// The numbers of a report: counts by status, pass rate, durations as printed, and the
// grouping of results by test file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::reporter {

struct Counts {
  std::int64_t total = 0;
  std::int64_t passed = 0;
  std::int64_t failed = 0;
  std::int64_t skipped = 0;
  // Outcomes beyond the first three; like unknown statuses they are not passes.
  std::int64_t error = 0;
  std::int64_t xfailed = 0;
  std::int64_t xpassed = 0;
  std::int64_t interrupted = 0;

  // The count of one named status; 0 for a status not counted here.
  std::int64_t of(const std::string& status) const;
};

// One outcome a report names: its summary card label, filter label and icon. The first
// three (passed, failed, skipped) always have a card, a filter and a file badge
// (passed's badge even at zero); the others only when a run has them.
struct Outcome {
  const char* status;
  const char* card_label;
  const char* filter_label;
  const char* icon;
};
extern const Outcome kOutcomes[7];
constexpr std::size_t kCoreOutcomes = 3;

// Counts result records by their "status"; unknown statuses count only towards total.
Counts count_results(const std::vector<Record>& results);
Counts count_results(const std::vector<const Record*>& results);

// passed / total * 100, rounded to the nearest integer with halves to even
// (1 of 8 gives 12); 0 for an empty run.
std::int64_t pass_rate(std::int64_t passed, std::int64_t total);

// The run's duration: rounded to two decimals, then written in its shortest form with
// at least one fractional digit (12.34, 3.5, 0.0).
std::string format_run_duration(double seconds);

// A test's duration with exactly two decimals; a value that is not a number is written
// as its text ("None" for null).
std::string format_test_duration(const Record& seconds);

// One test file and its results, in arrival order.
struct FileGroup {
  std::string file;
  std::vector<const Record*> tests;
};

// Groups by "file": files in the order of their first result, tests in result order.
std::vector<FileGroup> group_by_file(const std::vector<Record>& results);

}  // namespace kelvo::reporter
