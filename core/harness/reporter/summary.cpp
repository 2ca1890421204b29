#include "harness/reporter/summary.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

namespace kelvo::reporter {

const Outcome kOutcomes[7] = {
    {"passed", "Passed", "Passed", "\u2713"},
    {"failed", "Failed", "Failed", "\u2717"},
    {"skipped", "Skipped", "Skipped", "\u25CB"},
    {"error", "Errors", "Errors", "\u26A0"},
    {"xfailed", "Expected Failures", "Expected failures", "\u2298"},
    {"xpassed", "Unexpected Passes", "Unexpected passes", "\u2295"},
    {"interrupted", "Interrupted", "Interrupted", "\u25A0"},
};

std::int64_t Counts::of(const std::string& status) const {
  if (status == "passed") return passed;
  if (status == "failed") return failed;
  if (status == "skipped") return skipped;
  if (status == "error") return error;
  if (status == "xfailed") return xfailed;
  if (status == "xpassed") return xpassed;
  if (status == "interrupted") return interrupted;
  return 0;
}

namespace {

template <typename Deref>
Counts count(std::size_t n, Deref at) {
  Counts c;
  c.total = static_cast<std::int64_t>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string status = get_string(at(i), "status");
    if (status == "passed")
      ++c.passed;
    else if (status == "failed")
      ++c.failed;
    else if (status == "skipped")
      ++c.skipped;
    else if (status == "error")
      ++c.error;
    else if (status == "xfailed")
      ++c.xfailed;
    else if (status == "xpassed")
      ++c.xpassed;
    else if (status == "interrupted")
      ++c.interrupted;
  }
  return c;
}

}  // namespace

Counts count_results(const std::vector<Record>& results) {
  return count(results.size(), [&](std::size_t i) -> const Record& { return results[i]; });
}

Counts count_results(const std::vector<const Record*>& results) {
  return count(results.size(), [&](std::size_t i) -> const Record& { return *results[i]; });
}

std::int64_t pass_rate(std::int64_t passed, std::int64_t total) {
  if (total == 0) return 0;
  // Same operations in the same order as the plain division, so the halfway cases land
  // exactly where a reader's calculator puts them; nearbyint rounds halves to even.
  double rate = static_cast<double>(passed) / static_cast<double>(total) * 100.0;
  return static_cast<std::int64_t>(std::nearbyint(rate));
}

std::string format_run_duration(double seconds) {
  if (!std::isfinite(seconds)) return std::isnan(seconds) ? "nan" : (seconds > 0 ? "inf" : "-inf");
  // printf rounds the exact binary value with halves to even, as rounding to two
  // decimals does; the shortest form is then that text without trailing zeros.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", seconds);
  std::string text = buf;
  while (text.size() > 1 && text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
  return text;
}

std::string format_test_duration(const Record& seconds) {
  if (seconds.is_number()) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", seconds.get<double>());
    return buf;
  }
  if (seconds.is_string()) return seconds.get<std::string>();
  if (seconds.is_null()) return "None";
  return seconds.dump();
}

std::vector<FileGroup> group_by_file(const std::vector<Record>& results) {
  std::vector<FileGroup> groups;
  std::unordered_map<std::string, std::size_t> index;
  for (const Record& result : results) {
    std::string file = get_string(result, "file");
    auto [it, added] = index.emplace(file, groups.size());
    if (added) groups.push_back(FileGroup{file, {}});
    groups[it->second].tests.push_back(&result);
  }
  return groups;
}

}  // namespace kelvo::reporter
