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
};

// Counts result records by their "status"; other statuses count only towards total.
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
