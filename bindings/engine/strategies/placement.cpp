// kelvo_web.engine.strategies.placement: the arguments are checked by kind only and never
// converted; nothing in them is read.
#include <nanobind/nanobind.h>

#include "common/convert.h"
#include "engine/strategies/placement/placement.h"
#include "native.h"

namespace nb = nanobind;
using namespace nb::literals;

namespace kp = kelvo::placement;

namespace {

kp::Kind kind_of(nb::handle value) {
  if (PyDict_Check(value.ptr())) return kp::Kind::map;
  if (PyList_Check(value.ptr())) return kp::Kind::list;
  return kp::Kind::other;
}

}  // namespace

void bind_placement(nanobind::module_& m) {
  m.doc() = "Level 2 resolution strategy: uses the spatial matrix to resolve relational instructions.";

  nb::class_<kp::SpatialStrategy>(m, "SpatialStrategy",
                                  "Resolves instructions using spatial relationships between DOM elements.")
      .def(nb::init<>())
      .def(
          "resolve",
          [](const kp::SpatialStrategy& self, nb::handle parsed_instruction, nb::handle matrix,
             nb::handle dom_candidates) -> nb::object {
            nb::handle given[] = {parsed_instruction, matrix, dom_candidates};
            try {
              self.resolve(kind_of(parsed_instruction), kind_of(matrix), kind_of(dom_candidates));
            } catch (const kp::ArgumentError& e) {
              const std::string& name = e.argument();
              nb::handle got = name == "parsed_instruction" ? given[0]
                               : name == "matrix"           ? given[1]
                                                            : given[2];
              kelvo::bind::raise_type_error(name.c_str(), e.expected().c_str(), got);
            }
            return nb::none();
          },
          nb::sig("def resolve(self, parsed_instruction: dict, matrix: dict, "
                  "dom_candidates: list) -> None"),
          "parsed_instruction"_a.none(), "matrix"_a.none(), "dom_candidates"_a.none(),
          "Checks that parsed_instruction and matrix are dicts and dom_candidates a list, and\n"
          "returns None. A later version may answer a dict with 'resolved', 'confidence' (0.0)\n"
          "and 'element'; until then callers treat None as no resolution.");
}
