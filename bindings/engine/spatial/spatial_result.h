// A spatial result as Python sees it, in its documented key order, shared by the surveyor
// module and the agent's step engine. `element_of(i)` gives matrix entry i's own record.
#pragma once

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>

#include <string>

#include "engine/spatial/surveyor/matrix_resolver.h"

namespace kelvo::bind {

template <class ElementOf>
nanobind::dict spatial_dict(const surveyor::SpatialResolution& r, const std::string& anchor_text,
                            ElementOf&& element_of) {
  namespace nb = nanobind;
  nb::dict d;
  d["resolved"] = nb::bool_(r.resolved());
  d["confidence"] = nb::float_(r.resolved() ? 1.0 : 0.0);
  d["element"] = r.resolved() ? element_of(r.best) : nb::none();
  if (r.shape == surveyor::SpatialResolution::Shape::relational) {
    d["anchor_text"] = nb::cast(anchor_text);
    d["ordinal"] = nb::int_(r.ordinal);
    d["type_relaxed"] = nb::bool_(r.type_relaxed);
    d["actual_type"] = r.actual_type ? nb::object(nb::cast(*r.actual_type)) : nb::none();
  }
  nb::list candidates;
  for (std::size_t i : r.candidates) candidates.append(element_of(i));
  d["candidates"] = candidates;
  return d;
}

}  // namespace kelvo::bind
