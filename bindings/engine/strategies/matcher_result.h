// A text-matching result as Python sees it, shared by the matcher module and the agent's
// step engine so both answer in one shape. `object_of(ref)` gives the caller's own record.
#pragma once

#include <nanobind/nanobind.h>

#include "common/convert.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::bind {

template <class ObjectOf>
nanobind::dict resolution_dict(const matcher::ResolutionResult& result, ObjectOf&& object_of) {
  namespace nb = nanobind;
  nb::dict out;
  const bool verification = result.shape == matcher::Shape::verification;
  out["resolved"] = nb::bool_(result.resolved);
  if (verification) out["verified"] = from_record(result.verified);
  out["confidence"] = nb::float_(result.confidence());
  out["element"] = result.element ? object_of(*result.element) : nb::none();
  if (verification) out["state"] = from_record(result.state);
  if (result.shape == matcher::Shape::extraction) {
    out["extracted"] = nb::str(result.extracted.data(), result.extracted.size());
  }
  nb::list candidates;
  for (const auto& ref : result.candidates) candidates.append(object_of(ref));
  out["candidates"] = candidates;
  return out;
}

}  // namespace kelvo::bind
