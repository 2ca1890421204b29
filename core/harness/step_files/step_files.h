// Step files: tests written as a Markdown document, one step per list item, read into tests.
//
//   # Checkout                 a title and prose: free text before a test's first step
//   Start: catalogue.html      the file's start address (under a test's heading: the test's)
//   Tags: shop                 tags of every test in the file (under a heading: of that test)
//   ## Before each             steps run before each test of the file
//   - click Sign in
//   ## Buy ${item}             a test: its name, then its steps, one list item each
//   - click Add to cart near ${item}
//   <!-- a comment -->         comments (and > notes) may stand anywhere
//   Examples:                  one test per row of the table that follows, its cells as variables
//   | item          |
//   | ------------- |
//   | Blue Backpack |
//
// Every problem of a file is found at once, each with its line; the steps themselves are
// checked by the step engine's list check, as a list of steps given to the agent is.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::step_files {

inline constexpr std::string_view kSecretShown = "********";

struct Settings {
  bool has_url = false;                          // a relative start address needs one
  std::map<std::string, std::string> environ;    // variables, looked up first
  std::map<std::string, std::string> variables;  // the configuration's, looked up next
  std::vector<std::string> secret_names;         // variables whose values are never shown
  std::vector<std::string> tags;                 // the tags a file may use, besides kBuiltinTags
};

// Tags the test runner itself gives a meaning to, known without being listed.
inline const std::vector<std::string> kBuiltinTags = {"skip", "xfail"};

struct Step {
  std::string text;  // with its variables written in
  int line = 0;
};

struct Test {
  std::string name;
  int line = 0;
  std::string start;  // as written (relative to the run's URL unless whole); empty: none
  std::vector<std::string> tags;
  std::vector<Step> steps;  // the file's Before each steps, then the test's own
};

struct Problem {
  int line = 0;
  std::string message;
};

struct StepFile {
  std::vector<Test> tests;           // empty when the file has any problem: nothing of it runs
  std::vector<Problem> problems;     // in line order, secrets masked
  std::vector<std::string> secrets;  // the values to mask wherever a step is shown, longest first
};

StepFile read(std::string_view text, const Settings& settings);

// `text` with every secret shown as kSecretShown.
std::string mask(std::string text, const std::vector<std::string>& secrets);

}  // namespace kelvo::step_files
