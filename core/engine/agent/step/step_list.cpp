#include "engine/agent/step/step_list.h"

#include <algorithm>

#include "common/actions.h"
#include "common/text.h"
#include "engine/agent/grammar/grammar.h"
#include "engine/agent/grammar/vocabulary.h"
#include "engine/agent/step/element_checks.h"

namespace kelvo::step {

namespace {

bool is_ascii(std::u32string_view value) {
  for (char32_t c : value) {
    if (c > 0x7F) return false;
  }
  return true;
}

// What the parser accepts but no run could check.
std::optional<std::string> parsed_problem(const grammar::ParsedInstruction& parsed) {
  const std::optional<Action> action = action_named(parsed.action);
  const std::u32string target = parsed.target ? text::strip(*parsed.target) : std::u32string();
  if (action && is_text_step(*action) && !reads_in_direction(*action) && target.empty())
    return std::string("the step names no text to look for");
  // Validation has already said what else is wrong with a wait.
  if (action == Action::wait && text::is_digits(target)) return wait_problem(target);
  return std::nullopt;
}

// Edits between two words: a letter left out, added or changed, or two neighbours swapped.
std::size_t slip_distance(std::u32string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = a[i - 1] == static_cast<unsigned char>(b[j - 1]);
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == static_cast<unsigned char>(b[j - 2]) &&
          a[i - 2] == static_cast<unsigned char>(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> near_action(std::u32string_view word) {
  const std::u32string lowered = text::lower(word);
  // A short word is near too many others for two slips to mean anything.
  const std::size_t allowed = lowered.size() <= 4 ? 1 : 2;
  std::optional<std::string> best;
  std::size_t nearest = allowed + 1;
  bool tied = false;
  for (std::string_view known : grammar::kKnownActions) {
    const std::size_t distance = slip_distance(lowered, known);
    if (distance < nearest) {
      best = std::string(known), nearest = distance, tied = false;
    } else if (distance == nearest) {
      tied = true;
    }
  }
  if (tied || nearest == 0) return std::nullopt;
  return best;
}

std::optional<std::string> wait_problem(std::u32string_view value) {
  if (!text::is_digits(value) || !is_ascii(value))
    return "wait needs a whole number of milliseconds, not " + text::repr(value);
  // Past the maximum by its length alone, before it could overflow a number.
  const std::string digits = text::encode(value);
  const std::string limit = std::to_string(kMaxWaitMs);
  const std::size_t first = digits.find_first_not_of('0');
  const std::string bare = first == std::string::npos ? "0" : digits.substr(first);
  if (bare.size() > limit.size() || (bare.size() == limit.size() && bare > limit))
    return "wait takes at most " + limit + " milliseconds (10 minutes), not " + digits;
  return std::nullopt;
}

std::map<std::size_t, std::vector<std::string>> step_problems(const std::vector<std::u32string>& instructions) {
  static const grammar::InstructionParser parser;
  std::map<std::size_t, std::vector<std::string>> problems;
  for (std::size_t i = 0; i < instructions.size(); ++i) {
    const std::u32string& instruction = instructions[i];
    if (read_checked_check(instruction)) continue;  // the agent's own check, unknown to validation
    std::vector<std::string> messages = parser.validate(instruction);
    try {
      const grammar::ParsedInstruction parsed = parser.parse(instruction);
      const std::vector<std::u32string> words = text::split(instruction);
      const bool unknown_to_validation =
          (!words.empty() && text::lower(words.front()) == U"extract_text") || parsed.action == "verify_spatial_text";
      if (unknown_to_validation) messages.clear();
      if (auto extra = parsed_problem(parsed)) messages.push_back(*extra);
    } catch (const grammar::InstructionError& error) {
      if (messages.empty()) messages.push_back(error.what());  // validation's words are the more specific
    }
    const std::vector<std::u32string> words = text::split(instruction);
    if (!messages.empty() && messages.front().rfind("Unknown action ", 0) == 0 && !words.empty()) {
      if (auto meant = near_action(words.front())) messages.front() += " Did you mean '" + *meant + "'?";
    }
    if (!messages.empty()) problems[i + 1] = std::move(messages);
  }
  return problems;
}

}  // namespace kelvo::step
