// A ladder answer as Python sees it, with "resolved_by" naming the rung; shared by the
// ladder's functions and the step engine. `object_of(ref)` gives the caller's own record.
#pragma once

#include <nanobind/nanobind.h>

#include "common/convert.h"
#include "engine/agent/ladder/ladder.h"

namespace kelvo::bind {

namespace nb = nanobind;

// The ladder's inputs: the harvest, and the extras as EXTRAS_JS returned them.
struct LadderInputs {
  RecordList dom, text, controls, texts, hidden;
  ladder::Lists lists() const {
    return {dom.records(), text.records(), controls.records(), texts.records(), &hidden.records()};
  }
  nb::object object(const ladder::Ref& ref) const {
    switch (ref.source) {
      case ladder::Source::dom_elements: return dom.object(ref.index);
      case ladder::Source::text_elements: return text.object(ref.index);
      case ladder::Source::controls: return controls.object(ref.index);
      case ladder::Source::texts: return texts.object(ref.index);
      case ladder::Source::hidden: break;
    }
    return hidden.object(ref.index);
  }
};

// `extras` is what EXTRAS_JS returned: a dict with lists "controls" and "texts".
inline LadderInputs inputs(nb::handle dom_elements, nb::handle text_elements, nb::handle extras) {
  LadderInputs in;
  in.dom = to_dict_list(dom_elements, "dom_elements");
  in.text = to_dict_list(text_elements, "text_elements", true);
  if (!extras.is_none()) {
    nb::dict e = require_dict(extras, "extras");
    PyObject* controls = PyDict_GetItemString(e.ptr(), "controls");
    PyObject* texts = PyDict_GetItemString(e.ptr(), "texts");
    in.controls = to_dict_list(controls ? nb::handle(controls) : nb::handle(Py_None),
                                            "extras['controls']", true);
    in.texts =
        to_dict_list(texts ? nb::handle(texts) : nb::handle(Py_None), "extras['texts']", true);
    PyObject* hidden = PyDict_GetItemString(e.ptr(), "hidden");
    in.hidden = to_dict_list(hidden ? nb::handle(hidden) : nb::handle(Py_None),
                                          "extras['hidden']", true);
  }
  return in;
}


template <class ObjectOf>
nanobind::dict ladder_dict(const ladder::LadderResult& r, ObjectOf&& object_of) {
  namespace nb = nanobind;
  nb::dict out;
  out["resolved"] = nb::bool_(r.resolved);
  if (r.verified) out["verified"] = nb::bool_(*r.verified);
  out["confidence"] = nb::float_(r.resolved ? 1.0 : 0.0);
  out["element"] = r.element ? object_of(*r.element) : nb::none();
  if (r.expected || r.actual) {
    nb::dict state;
    if (r.expected) state["expected"] = nb::str(r.expected->c_str());
    if (r.actual) state["actual"] = nb::str(r.actual->c_str());
    out["state"] = state;
  }
  if (r.extracted) out["extracted"] = nb::str(r.extracted->c_str());
  nb::list candidates;
  for (const auto& ref : r.candidates) candidates.append(object_of(ref));
  out["candidates"] = candidates;
  out["resolved_by"] = r.resolved ? nb::object(nb::str(r.resolved_by.c_str())) : nb::none();
  return out;
}

}  // namespace kelvo::bind
