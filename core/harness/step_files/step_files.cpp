#include "harness/step_files/step_files.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "common/text.h"
#include "engine/agent/step/step_list.h"

namespace kelvo::step_files {
namespace {

const std::vector<std::string> kBeforeEach = {"before each", "before each test"};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r' || c == '\n'; }

std::string trim(std::string_view text) { return text::strip(text); }

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool is_name(std::string_view text) {
  if (text.empty()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

std::string quoted(std::string_view text) { return text::repr(text); }

std::vector<std::string> lines_of(std::string_view text) {
  // Only a line feed ends a line (after an optional carriage return), as for a step list.
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

// "## Name ##": the level and the name, or level 0.
std::pair<int, std::string> heading(const std::string& line) {
  std::size_t level = 0;
  while (level < line.size() && line[level] == '#') ++level;
  if (level == 0 || level > 6 || level >= line.size() || !is_blank(line[level])) return {0, ""};
  std::string name = trim(std::string_view(line).substr(level));
  // A closing run of #, set off by a space, is no part of the name.
  std::size_t hashes = name.size();
  while (hashes > 0 && name[hashes - 1] == '#') --hashes;
  if (hashes < name.size() && (hashes == 0 || is_blank(name[hashes - 1])))
    name = trim(name.substr(0, hashes));
  return {static_cast<int>(level), name};
}

// "Start: x", "Tags: a, b", "Examples:": the key in lower case and the value, if the line is one.
std::optional<std::pair<std::string, std::string>> key_line(const std::string& line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string key = ascii_lower(trim(std::string_view(line).substr(0, colon)));
  if (key != "start" && key != "tags" && key != "examples") return std::nullopt;
  return std::make_pair(key, trim(std::string_view(line).substr(colon + 1)));
}

// "- step", "* step", "+ step", "1. step", "1) step": the step's text, if the line is an item.
std::optional<std::string> list_item(const std::string& line) {
  std::size_t marker = 0;
  if (!line.empty() && (line[0] == '-' || line[0] == '*' || line[0] == '+')) {
    marker = 1;
  } else {
    while (marker < line.size() && marker < 9 && line[marker] >= '0' && line[marker] <= '9') ++marker;
    if (marker == 0 || marker >= line.size() || (line[marker] != '.' && line[marker] != ')'))
      return std::nullopt;
    ++marker;
  }
  if (marker == line.size()) return std::string();
  if (!is_blank(line[marker])) return std::nullopt;
  return trim(std::string_view(line).substr(marker));
}

std::vector<std::string> table_cells(const std::string& line) {
  std::string inner = trim(line);
  if (!inner.empty() && inner.front() == '|') inner.erase(0, 1);
  if (!inner.empty() && inner.back() == '|' && !(inner.size() >= 2 && inner[inner.size() - 2] == '\\'))
    inner.pop_back();
  std::vector<std::string> cells;
  std::string cell;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == '|') {
      cell += '|';
      ++i;
    } else if (inner[i] == '|') {
      cells.push_back(trim(cell));
      cell.clear();
    } else {
      cell += inner[i];
    }
  }
  cells.push_back(trim(cell));
  return cells;
}

bool is_separator_cell(const std::string& cell) {
  std::string_view rest(cell);
  if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
  if (!rest.empty() && rest.back() == ':') rest.remove_suffix(1);
  return rest.size() >= 3 && std::all_of(rest.begin(), rest.end(), [](char c) { return c == '-'; });
}

// Whether an address names its scheme (http:, file:, data:), so it is used as it is.
bool is_whole_address(const std::string& address) {
  const std::size_t colon = address.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  const char first = address[0];
  if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = address[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                    c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

std::string joined(const std::vector<std::string>& parts, std::string_view between) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? std::string(between) : "") + parts[i];
  return out;
}

using Row = std::vector<std::pair<std::string, std::string>>;

const std::string* row_value(const Row& row, const std::string& name) {
  for (const auto& [column, value] : row)
    if (column == name) return &value;
  return nullptr;
}

struct Section {
  std::string name;
  int line = 0;
  bool before = false;
  std::string start;
  std::vector<std::string> tags;
  std::vector<Step> steps;
  std::vector<std::pair<int, std::vector<std::string>>> table;
  int examples_line = 0;
};

class Reader {
 public:
  explicit Reader(const Settings& settings) : settings_(settings) {}

  void read(std::string_view text) {
    Section* section = nullptr;
    int comment_opened = 0;
    bool in_table = false;
    int number = 0;
    for (const std::string& raw : lines_of(text)) {
      ++number;
      const std::string line = trim(raw);
      if (comment_opened) {
        if (line.find("-->") != std::string::npos) comment_opened = 0;
        continue;
      }
      if (starts_with(line, "<!--")) {
        if (line.find("-->", 4) == std::string::npos) comment_opened = number;
        continue;
      }
      if (line.empty()) {
        in_table = false;
        continue;
      }
      if (line[0] == '>') continue;  // a note
      if (auto [level, name] = heading(line); level == 2) {
        section = open_section(name, number);
        in_table = false;
        continue;
      }
      if (line[0] == '|') {
        if (section && section->examples_line && (in_table || section->table.empty())) {
          section->table.emplace_back(number, table_cells(line));
          in_table = true;
        } else {
          problem(number, "a table belongs under 'Examples:', right after it");
        }
        continue;
      }
      in_table = false;
      if (auto key = key_line(line)) {
        on_key(section, key->first, key->second, number);
      } else if (auto item = list_item(line)) {
        on_step(section, *item, number);
      } else if (section && (!section->steps.empty() || section->examples_line)) {
        problem(number,
                "this line is no step: write a step as a list item ('- click Login'), a comment as "
                "<!-- ... --> or a note as '> ...'");
      }
      // Otherwise prose: a title, or a description before a test's first step.
    }
    if (comment_opened) problem(comment_opened, "this comment is never closed: end it with -->");
  }

  std::vector<Test> tests() {
    const Section* before = nullptr;
    for (const Section& s : sections_)
      if (s.before) before = &s;
    std::vector<Test> made;
    std::map<std::string, int> names;
    for (const Section& section : sections_) {
      if (section.before) continue;
      if (section.steps.empty()) {
        problem(section.line, "the test " + quoted(section.name) + " has no steps");
        continue;
      }
      for (auto& [name, row] : rows(section)) {
        Test test;
        test.name = name;
        test.line = section.line;
        if (before)
          for (const Step& shared : before->steps)
            test.steps.push_back({written(shared.text, shared.line, row), shared.line});
        for (const Step& own : section.steps)
          test.steps.push_back({written(own.text, own.line, row), own.line});
        if (auto seen = names.find(name); seen != names.end()) {
          problem(section.line, "two tests are named " + quoted(name) + " (the first on line " +
                                    std::to_string(seen->second) + ")");
          continue;
        }
        names[name] = section.line;
        test.start = section.start.empty() ? file_start_ : section.start;
        for (const std::string& tag : file_tags_) add_tag(test.tags, tag);
        for (const std::string& tag : section.tags) add_tag(test.tags, tag);
        made.push_back(std::move(test));
      }
    }
    return made;
  }

  void problem(int line, std::string message) { problems_.push_back({line, std::move(message)}); }
  std::vector<Problem>& problems() { return problems_; }

  std::optional<std::string> lookup(const std::string& name) const {
    // The environment first: a CI job sets what the file keeps as a local default.
    if (auto found = settings_.environ.find(name); found != settings_.environ.end()) return found->second;
    if (auto found = settings_.variables.find(name); found != settings_.variables.end()) return found->second;
    return std::nullopt;
  }

 private:
  static void add_tag(std::vector<std::string>& tags, const std::string& tag) {
    if (std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(tag);
  }

  Section* open_section(const std::string& name, int number) {
    if (name.empty())
      problem(number, "a test needs a name after '## '");
    else if (name.find("::") != std::string::npos)
      problem(number, "a test name cannot hold '::' (the test runner's separator): " + quoted(name));
    const std::string lowered = ascii_lower(name);
    const bool before = std::find(kBeforeEach.begin(), kBeforeEach.end(), lowered) != kBeforeEach.end();
    if (before && std::any_of(sections_.begin(), sections_.end(), [](const Section& s) { return s.before; }))
      problem(number, "a file has one '## Before each'; put all its shared steps there");
    sections_.push_back(Section{name, number, before});
    return &sections_.back();
  }

  void on_key(Section* section, const std::string& key, const std::string& value, int number) {
    if (key == "examples") {
      if (!section || section->before)
        problem(number, "'Examples:' belongs to a test, after its steps");
      else if (section->examples_line)
        problem(number, "a test has one 'Examples:' table (the first is on line " +
                            std::to_string(section->examples_line) + ")");
      else if (!value.empty())
        problem(number, "'Examples:' stands alone on its line; its table follows");
      else
        section->examples_line = number;
      return;
    }
    const std::string title = key == "start" ? "Start" : "Tags";
    if (section && (!section->steps.empty() || section->examples_line)) {
      problem(number, "'" + title + ":' goes before the test's steps");
      return;
    }
    if (section && section->before) {
      problem(number, "'" + title + ":' of the whole file goes above its first '##' heading");
      return;
    }
    if (key == "start") {
      std::string start = start_address(value, number);
      (section ? section->start : file_start_) = std::move(start);
    } else {
      for (std::string& tag : tag_list(value, number))
        (section ? section->tags : file_tags_).push_back(std::move(tag));
    }
  }

  std::string start_address(const std::string& value, int number) {
    if (value.empty()) {
      problem(number, "'Start:' needs an address, such as 'Start: checkout.html'");
      return "";
    }
    const std::string address = written(value, number, {});
    if (!is_whole_address(address) && !settings_.has_url) {
      problem(number, "the start address " + quoted(address) +
                          " is relative, and URL is not set in kelvo.web.config.py (set URL, or give a "
                          "whole address such as http://host/page.html)");
      return "";
    }
    return address;
  }

  std::vector<std::string> tag_list(const std::string& value, int number) {
    std::vector<std::string> tags;
    std::string current;
    for (char c : value + " ") {
      if (is_blank(c) || c == ',') {
        if (!current.empty()) tags.push_back(current);
        current.clear();
      } else {
        current += c;
      }
    }
    if (tags.empty()) problem(number, "'Tags:' needs at least one tag, such as 'Tags: smoke'");
    std::vector<std::string> good;
    for (const std::string& tag : tags) {
      const bool known =
          std::find(settings_.tags.begin(), settings_.tags.end(), tag) != settings_.tags.end() ||
          std::find(kBuiltinTags.begin(), kBuiltinTags.end(), tag) != kBuiltinTags.end();
      if (!is_name(tag)) {
        problem(number, "the tag " + quoted(tag) + " is no name: use letters, digits and _ (smoke, slow_2)");
      } else if (!known) {
        const std::string listed = settings_.tags.empty() ? "none" : joined(settings_.tags, ", ");
        problem(number, "unknown tag " + quoted(tag) +
                            ": add it to TAGS in kelvo.web.config.py (known tags: " + listed + ")");
      } else {
        good.push_back(tag);
      }
    }
    return good;
  }

  void on_step(Section* section, const std::string& text, int number) {
    if (!section)
      problem(number, "steps belong under a test's '## name' heading (or '## Before each')");
    else if (section->examples_line)
      problem(number, "steps go before 'Examples:'");
    else if (text.empty())
      problem(number, "this step is empty");
    else
      section->steps.push_back({text, number});
  }

  // (test name, row) for each test a section makes: one, or one per row of its Examples.
  std::vector<std::pair<std::string, Row>> rows(const Section& section) {
    if (!section.examples_line) return {{section.name, {}}};
    const auto& table = section.table;
    if (table.size() < 3) {
      problem(section.examples_line,
              "'Examples:' needs a table: a header row, a separator row (| --- |) and a row per test");
      return {};
    }
    const auto& [header_line, header] = table[0];
    const auto& [separator_line, separator] = table[1];
    if (separator.size() != header.size() ||
        !std::all_of(separator.begin(), separator.end(), is_separator_cell)) {
      problem(separator_line, "the second row of a table separates its header: | --- | --- |");
      return {};
    }
    bool good = true;
    std::set<std::string> seen, doubled;
    for (const std::string& cell : header) {
      if (!is_name(cell)) {
        problem(header_line,
                "the column " + quoted(cell) + " is no variable name: use letters, digits and _");
        good = false;
      }
      if (!seen.insert(cell).second && doubled.insert(cell).second) {
        problem(header_line, "two columns are named " + quoted(cell));
        good = false;
      }
    }
    for (std::size_t i = 2; i < table.size(); ++i) {
      if (table[i].second.size() != header.size()) {
        problem(table[i].first, "this row has " + std::to_string(table[i].second.size()) +
                                    " cells; the header has " + std::to_string(header.size()));
        good = false;
      }
    }
    if (!good) return {};
    std::vector<std::pair<std::string, Row>> made;
    for (std::size_t i = 2; i < table.size(); ++i) {
      Row row;
      for (std::size_t c = 0; c < header.size(); ++c) row.emplace_back(header[c], table[i].second[c]);
      std::string name =
          substitute(section.name, [&](const std::string& variable) -> std::optional<std::string> {
            if (const std::string* value = row_value(row, variable)) return *value;
            return "${" + variable + "}";
          });
      if (name == section.name) name = section.name + "[" + joined(table[i].second, "-") + "]";
      made.emplace_back(name, std::move(row));
    }
    return made;
  }

  // The text with each ${name} replaced by value(name); \${ stands for the characters ${.
  template <typename Value>
  std::string substitute(const std::string& text, Value value, int line = 0) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text.compare(i, 3, "\\${") == 0) {
        out += "${";
        i += 3;
        continue;
      }
      if (text.compare(i, 2, "${") != 0) {
        out += text[i++];
        continue;
      }
      const std::size_t close = text.find('}', i + 2);
      if (close == std::string::npos) {
        if (line) problem(line, "a '${' is never closed with '}' (write \\${ for the characters themselves)");
        out += text.substr(i);
        break;
      }
      const std::string name = text.substr(i + 2, close - i - 2);
      const std::string whole = text.substr(i, close - i + 1);
      i = close + 1;
      if (!is_name(name)) {
        if (line) problem(line, whole + " is no variable name: use letters, digits and _");
        out += whole;
        continue;
      }
      std::optional<std::string> found = value(name);
      out += found ? *found : whole;
    }
    return out;
  }

  // A step with its variables written in: the row's first, then the environment's and the file's.
  std::string written(const std::string& text, int line, const Row& row) {
    return substitute(
        text,
        [&](const std::string& name) -> std::optional<std::string> {
          if (const std::string* value = row_value(row, name)) return *value;
          if (auto found = lookup(name)) return found;
          problem(line,
                  "unknown variable ${" + name +
                      "}: set it in the environment, in VARIABLES of kelvo.web.config.py, or as a column of "
                      "the test's Examples");
          return std::nullopt;
        },
        line);
  }

  const Settings& settings_;
  std::vector<Problem> problems_;
  std::string file_start_;
  std::vector<std::string> file_tags_;
  std::vector<Section> sections_;  // Section pointers are taken only of the last one
};

}  // namespace

std::string mask(std::string text, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    std::size_t at = 0;
    while ((at = text.find(secret, at)) != std::string::npos) {
      text.replace(at, secret.size(), kSecretShown);
      at += kSecretShown.size();
    }
  }
  return text;
}

StepFile read(std::string_view text, const Settings& settings) {
  Reader reader(settings);
  StepFile file;
  std::set<std::string> secrets;
  for (const std::string& name : settings.secret_names)
    if (auto value = reader.lookup(name); value && !value->empty()) secrets.insert(*value);
  file.secrets.assign(secrets.begin(), secrets.end());
  std::stable_sort(file.secrets.begin(), file.secrets.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });

  reader.read(text);
  std::vector<Test> tests = reader.tests();
  // Each step text is checked once, at the first line it stands on.
  std::vector<std::u32string> texts;
  std::vector<int> lines;
  std::set<std::string> checked;
  for (const Test& test : tests)
    for (const Step& step : test.steps)
      if (checked.insert(step.text).second) {
        texts.push_back(text::decode(step.text));
        lines.push_back(step.line);
      }
  for (const auto& [number, messages] : step::step_problems(texts))
    for (const std::string& message : messages) reader.problem(lines[number - 1], message);

  std::vector<Problem>& problems = reader.problems();
  std::stable_sort(problems.begin(), problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  std::set<std::pair<int, std::string>> seen;
  for (Problem& problem : problems)
    if (seen.insert({problem.line, problem.message}).second)
      file.problems.push_back({problem.line, mask(problem.message, file.secrets)});
  if (file.problems.empty()) file.tests = std::move(tests);
  return file;
}

}  // namespace kelvo::step_files
