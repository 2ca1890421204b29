// A list of steps checked before any runs: what the parser reads but no run could carry out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::step {

inline constexpr std::int64_t kMaxWaitMs = 600000;  // ten minutes

// Why a wait cannot run, or none: it takes a whole number of milliseconds, in ASCII digits,
// up to ten minutes.
std::optional<std::string> wait_problem(std::u32string_view value);

// The action word a step's unknown first word most likely meant, a slip or two away
// ("clik", "tpye"), when exactly one is that near.
std::optional<std::string> near_action(std::u32string_view word);

// Step number (from 1) to its problems, for every step that cannot run: validation's
// problems, or the parser's when it rejects the step, and a text check without text or a
// wait beyond the maximum; an unknown action word says which it may have meant. Two forms the parser reads but validation does not know pass:
// the first word extract_text, and text checks whose place starts with under or near; and
// the agent's own checked-state checks pass too.
std::map<std::size_t, std::vector<std::string>> step_problems(const std::vector<std::u32string>& instructions);

}  // namespace kelvo::step
