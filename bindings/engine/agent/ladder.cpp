// kelvo_web.engine.agent._ladder: the agent's resolution ladder over one harvest and the
// page extras. Answers name the caller's own records (descriptors, text elements, extras).
#include <nanobind/nanobind.h>

#include <string>

#include "common/convert.h"
#include "common/element_state.h"
#include "common/text.h"
#include "common/vocabulary.h"
#include "engine/agent/ladder/ladder.h"
#include "engine/agent/ladder/routing.h"
#include "engine/agent/ladder/row.h"
#include "ladder_scripts.h"
#include "engine/agent/ladder_result.h"
#include "native.h"

namespace nb = nanobind;
using namespace nb::literals;

namespace kl = kelvo::ladder;
using kelvo::Record;
using kelvo::bind::RecordList;

namespace {

using Inputs = kelvo::bind::LadderInputs;
using kelvo::bind::inputs;

nb::dict to_python(const kl::LadderResult& r, const Inputs& in) {
  return kelvo::bind::ladder_dict(r, [&](const kl::Ref& ref) { return in.object(ref); });
}

}  // namespace

void bind_step(nanobind::module_& m);

void bind_ladder(nanobind::module_& m) {
  m.doc() = "The agent's resolution steps beyond the text and spatial rules.";
  bind_step(m);
  m.attr("EXTRAS_JS") = nb::str(kelvo::scripts::extras);

  m.def(
      "resolve",
      [](nb::handle parsed_instruction, nb::handle dom_elements, nb::handle text_elements,
         nb::handle extras) {
        nb::dict parsed = kelvo::bind::require_dict(parsed_instruction, "parsed_instruction");
        Record instruction = Record::object();
        for (const char* key : {"action", "target", "value", "ordinal"}) {
          PyObject* item = PyDict_GetItemString(parsed.ptr(), key);
          if (item && item != Py_None) instruction[key] = kelvo::bind::to_record(item, key);
        }
        Inputs in = inputs(dom_elements, text_elements, extras);
        return to_python(kl::resolve(instruction, in.lists()), in);
      },
      "parsed_instruction"_a, "dom_elements"_a, "text_elements"_a, "extras"_a,
      "The ladder's answer after the rules found nothing: the result record with \"resolved_by\".");

  m.def(
      "retry_order",
      [](nb::handle action, nb::handle candidates, std::size_t failed) {
        std::string verb = kelvo::bind::require_str(action, "action");
        RecordList list = kelvo::bind::to_dict_list(candidates, "candidates");
        nb::list out;
        for (std::size_t i : kl::retry_order(verb, list.records(), failed)) out.append(list.object(i));
        return out;
      },
      "action"_a, "candidates"_a, "failed"_a,
      "The candidates still worth trying after candidates[failed] refused the action.");

  m.def(
      "row_of",
      [](nb::handle xpath, nb::handle text_elements) -> nb::object {
        std::string path = kelvo::bind::require_str(xpath, "xpath");
        RecordList texts = kelvo::bind::to_dict_list(text_elements, "text_elements", true);
        auto row = kl::row_of(path, texts.records());
        return row ? nb::object(nb::int_(*row)) : nb::none();
      },
      "xpath"_a.none(), "text_elements"_a.none(),
      "The position of the text element holding the element at `xpath` most closely, in its own "
      "document, or None.");

  m.def(
      "contradicts_kind",
      [](nb::handle target, nb::handle element) {
        std::string words = kelvo::bind::require_str(target, "target");
        kelvo::bind::require_dict(element, "element");
        return kl::contradicts_kind(words, kelvo::bind::to_record(element, "element"));
      },
      "target"_a, "element"_a,
      "Whether the target names a control kind (checkbox, radio, dropdown, textbox) the element is not.");

  m.def(
      "exact_name",
      [](nb::handle action, nb::handle target, nb::handle chosen, nb::handle dom_elements,
         nb::handle text_elements, nb::handle extras) {
        std::string verb = kelvo::bind::require_str(action, "action");
        std::string words = kelvo::bind::require_str(target, "target");
        std::string xpath =
            chosen.is_none() ? std::string() : kelvo::bind::require_str(chosen, "chosen_xpath");
        Inputs in = inputs(dom_elements, text_elements, extras);
        return to_python(kl::exact_name(verb, words, xpath, in.lists()), in);
      },
      "action"_a, "target"_a, "chosen_xpath"_a, "dom_elements"_a, "text_elements"_a, "extras"_a,
      "The element named exactly by the target when the rules' choice is not; resolved false otherwise.");

  m.def(
      "row_twin",
      [](nb::handle action, nb::handle target, nb::handle chosen, nb::handle dom_elements,
         nb::handle text_elements, nb::handle extras) {
        std::string verb = kelvo::bind::require_str(action, "action");
        std::string words = kelvo::bind::require_str(target, "target");
        std::string xpath = kelvo::bind::require_str(chosen, "chosen_xpath");
        Inputs in = inputs(dom_elements, text_elements, extras);
        return to_python(kl::row_twin(verb, words, xpath, in.lists()), in);
      },
      "action"_a, "target"_a, "chosen_xpath"_a, "dom_elements"_a, "text_elements"_a, "extras"_a,
      "A control of the same name closer to the anchor than the rules' spatial choice; resolved false "
      "otherwise.");

  m.def(
      "contradicts_name",
      [](nb::handle target, nb::handle element) {
        std::string words = kelvo::bind::require_str(target, "target");
        kelvo::bind::require_dict(element, "element");
        return kl::contradicts_name(words, kelvo::bind::to_record(element, "element"));
      },
      "target"_a, "element"_a,
      "Whether a spatial target names its element (the Delete button right of ...) and the element has no "
      "such name.");

  m.def(
      "kind_of_word",
      [](nb::handle word) {
        std::string kind = kl::kind_of_word(kelvo::bind::require_str(word, "word"));
        return nb::str(kind.c_str());
      },
      "word"_a,
      "The control kind a tester's word names (\"checkbox\", \"radio\", \"select\", \"textbox\") or \"\".");

  m.attr("SPATIAL") = nb::str(kl::kRouteSpatial);
  m.attr("TEXT") = nb::str(kl::kRouteText);
  nb::list reading;
  for (const auto& row : kelvo::vocabulary::kReadingRelations)
    reading.append(nb::str(row.phrase.data(), row.phrase.size()));
  m.attr("READING_PHRASES") = nb::tuple(reading);  // the places a spatial text check reads from

  m.def(
      "resolver_order",
      [](nb::handle action, nb::handle target) {
        std::string verb = kelvo::bind::require_str(action, "action");
        std::string words = target.is_none() ? std::string() : kelvo::bind::require_str(target, "target");
        nb::list order;
        for (const auto& route : kl::resolver_order(verb, words)) order.append(nb::str(route.c_str()));
        return nb::tuple(order);
      },
      "action"_a, "target"_a.none(),
      "The resolvers to try, in order (\"spatial\", \"text\"), for an element action; () for any other "
      "action.");

  m.def(
      "state_verdict",
      [](nb::handle action, nb::handle element) {
        std::string verb = kelvo::bind::require_str(action, "action");
        auto check = kelvo::element_state::check_of(verb);
        if (!check) {
          throw nb::value_error(("action must be one of verify_present, verify_visible, verify_enabled, "
                                 "verify_disabled, not " +
                                 kelvo::text::repr(verb))
                                    .c_str());
        }
        kelvo::bind::require_dict(element, "element");
        Record record = kelvo::bind::to_record(element, "element");
        nb::dict out;
        out["verified"] = kelvo::element_state::holds(*check, record);
        std::string_view wanted = kelvo::element_state::wanted(*check);
        out["expected"] = nb::str(wanted.data(), wanted.size());
        out["actual"] = nb::str(kelvo::element_state::observed(record).c_str());
        return out;
      },
      "action"_a, "element"_a,
      "Whether the element is in the state a check asks for: {verified, expected, actual}.");
}
