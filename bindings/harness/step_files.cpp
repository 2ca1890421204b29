// Private module behind kelvo_web.harness.step_files: the core reads a step file's text; the
// Python module reads the file, joins start addresses and runs the tests.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include "common/convert.h"
#include "harness/step_files/step_files.h"
#include "native.h"

namespace nb = nanobind;
namespace sf = kelvo::step_files;

namespace {

std::map<std::string, std::string> text_map(nb::handle value, const char* argument) {
  std::map<std::string, std::string> out;
  if (value.is_none()) return out;
  nb::dict dict = kelvo::bind::require_dict(value, argument);
  for (auto [key, item] : dict) {
    out[kelvo::bind::require_str(key, argument)] = kelvo::bind::require_str(item, argument);
  }
  return out;
}

std::vector<std::string> text_list(nb::handle value, const char* argument) {
  std::vector<std::string> out;
  if (value.is_none()) return out;
  if (!PyList_Check(value.ptr()) && !PyTuple_Check(value.ptr()))
    kelvo::bind::raise_type_error(argument, "a list of str", value);
  for (nb::handle item : nb::borrow<nb::sequence>(value))
    out.push_back(kelvo::bind::require_str(item, argument));
  return out;
}

nb::list str_list(const std::vector<std::string>& items) {
  nb::list out;
  for (const std::string& item : items) out.append(nb::str(item.c_str(), item.size()));
  return out;
}

nb::str py_str(const std::string& text) { return nb::str(text.c_str(), text.size()); }

}  // namespace

void bind_step_files(nanobind::module_& m) {
  m.doc() = "Reads step files: tests written as Markdown text, one step per list item.";
  m.attr("SECRET_SHOWN") = py_str(std::string(sf::kSecretShown));
  m.attr("BUILTIN_TAGS") = str_list(sf::kBuiltinTags);

  m.def(
      "read",
      [](nb::handle text, nb::handle has_url, nb::handle environ, nb::handle variables,
         nb::handle secret_names, nb::handle tags) {
        const std::string source = kelvo::bind::require_str(text, "text");
        sf::Settings settings;
        settings.has_url = PyObject_IsTrue(has_url.ptr()) == 1;
        settings.environ = text_map(environ, "environ");
        settings.variables = text_map(variables, "variables");
        settings.secret_names = text_list(secret_names, "secret_names");
        settings.tags = text_list(tags, "tags");
        sf::StepFile file;
        {
          nb::gil_scoped_release unlocked;
          file = sf::read(source, settings);
        }
        nb::list tests;
        for (const sf::Test& test : file.tests) {
          nb::list steps;
          for (const sf::Step& step : test.steps) steps.append(nb::make_tuple(py_str(step.text), step.line));
          nb::dict row;
          row["name"] = py_str(test.name);
          row["line"] = test.line;
          row["start"] = test.start.empty() ? nb::object(nb::none()) : nb::object(py_str(test.start));
          row["tags"] = str_list(test.tags);
          row["steps"] = steps;
          tests.append(row);
        }
        nb::list problems;
        for (const sf::Problem& problem : file.problems)
          problems.append(nb::make_tuple(problem.line, py_str(problem.message)));
        nb::dict out;
        out["tests"] = tests;
        out["problems"] = problems;
        out["secrets"] = str_list(file.secrets);
        return out;
      },
      nb::arg("text"), nb::arg("has_url"), nb::arg("environ").none(), nb::arg("variables").none(),
      nb::arg("secret_names").none(), nb::arg("tags").none(),
      "A step file's text read: {'tests': [{name, line, start, tags, steps: [(text, line)]}], "
      "'problems': [(line, message)], 'secrets': [values to mask]}. `start` is as written (None "
      "when the file gives none); the tests are empty when there is any problem.");

  m.def(
      "mask",
      [](nb::handle text, nb::handle secrets) {
        return sf::mask(kelvo::bind::require_str(text, "text"), text_list(secrets, "secrets"));
      },
      nb::arg("text"), nb::arg("secrets"), "`text` with every secret shown as ********.");
}
