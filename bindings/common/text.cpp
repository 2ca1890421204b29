// kelvo_web._text: the core's text helpers, exposed so tests can compare them with
// Python's own str methods character by character.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "common/text.h"
#include "native.h"

namespace nb = nanobind;
using namespace kelvo;

void bind_text(nanobind::module_& m) {
  m.doc() = "Text helpers of the native core with Python's str semantics (for tests).";
  m.def("lower", [](const std::string& s) { return text::lower(s); });
  m.def("lower_aligned",
        [](const std::string& s) { return text::encode(text::lower_aligned(text::decode(s))); });
  m.def("strip", [](const std::string& s) { return text::strip(s); });
  m.def("split", [](const std::string& s) { return text::split(s); });
  m.def("isspace", [](const std::string& s) {
    auto cps = text::decode(s);
    if (cps.empty()) return false;
    for (char32_t c : cps)
      if (!text::is_space(c)) return false;
    return true;
  });
  m.def("isdigit", [](const std::string& s) { return text::is_digits(s); });
  m.def("length", [](const std::string& s) { return text::length(s); });
  m.def("repr", [](const std::string& s) { return text::repr(s); });
}
