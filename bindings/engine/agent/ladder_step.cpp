// The agent's step engine for Python: a step read once into a plan, then one decision per
// attempt on the harvest's records, which stay in the core. Only the records a decision
// names become dicts.
#include <nanobind/nanobind.h>

#include <stdexcept>
#include <string>

#include "common/convert.h"
#include "common/text.h"
#include "engine/agent/ladder_result.h"
#include "engine/agent/parsed_instruction.h"
#include "engine/agent/step/element_checks.h"
#include "engine/agent/step/identity.h"
#include "engine/agent/step/step.h"
#include "engine/agent/step/step_list.h"
#include "engine/spatial/spatial_result.h"
#include "engine/strategies/matcher_result.h"

namespace nb = nanobind;
using namespace nb::literals;

namespace ks = kelvo::step;
using kelvo::Record;

namespace {

struct StepPlan {
  ks::Plan plan;
};

StepPlan plan_of(nb::handle parsed_instruction) {
  try {
    return {ks::plan(kelvo::bind::instruction_record(parsed_instruction))};
  } catch (const std::invalid_argument& error) {
    throw nb::value_error(error.what());
  }
}

// The one word of a step the shell needs, so that it names no actions of its own: act on
// the element, judge its state, read its text, check page text; or one of the steps that
// find nothing on the page.
const char* aim_of(kelvo::Action action) {
  using kelvo::Action;
  if (kelvo::acts_on_element(action)) return "act";
  if (kelvo::is_state_check(action)) return "check";
  if (action == Action::extract_text) return "read";
  if (kelvo::is_text_step(action)) return "text";
  switch (action) {
    case Action::navigate: return "navigate";
    case Action::wait: return "wait";
    case Action::press_key: return "press";
    case Action::sendkeys: return "keys";
    case Action::accept_dialog: return "accept";
    case Action::dismiss_dialog: return "dismiss";
    case Action::verify_dialog: return "dialog";
    default: break;
  }
  return "";
}

nb::dict not_found() {
  nb::dict out;
  out["resolved"] = false;
  out["confidence"] = 0.0;
  out["element"] = nb::none();
  out["candidates"] = nb::list();
  return out;
}

nb::dict decision_dict(const StepPlan& self, const kelvo::bind::LadderInputs& in, const ks::Reading& reading,
                       const ks::Decision& d);

nb::object decide(const StepPlan& self, nb::handle dom_elements, nb::handle text_elements, nb::handle extras) {
  const kelvo::bind::LadderInputs in = kelvo::bind::inputs(dom_elements, text_elements, extras);
  ks::Reading reading{in.dom.records(), in.text.records()};
  if (!extras.is_none()) {
    reading.controls = &in.controls.records();
    reading.texts = &in.texts.records();
    reading.hidden = &in.hidden.records();
  }
  const ks::Decision d = ks::decide(self.plan, reading);
  if (d.status == ks::Decision::Status::needs_extras) return nb::none();
  return decision_dict(self, in, reading, d);
}

nb::object decide_narrowed(const StepPlan& self, nb::handle dom_elements, nb::handle text_elements) {
  const kelvo::bind::LadderInputs in = kelvo::bind::inputs(dom_elements, text_elements, nb::none());
  const ks::Reading reading{in.dom.records(), in.text.records()};
  const std::optional<ks::Decision> d = ks::decide_narrowed(self.plan, reading);
  if (!d) return nb::none();
  return decision_dict(self, in, reading, *d);
}

nb::object narrowing(const StepPlan& self) {
  const auto narrow = ks::narrowing(self.plan);
  if (!narrow) return nb::none();
  nb::dict out;
  out["needle"] = nb::str(narrow->needle.c_str());
  out["fields"] = nb::str(narrow->fields.c_str());
  out["levels"] = nb::int_(narrow->levels);
  return out;
}

nb::dict decision_dict(const StepPlan& self, const kelvo::bind::LadderInputs& in, const ks::Reading& reading,
                       const ks::Decision& d) {
  auto object_of = [&](const kelvo::ladder::Ref& ref) { return in.object(ref); };
  nb::dict out;
  switch (d.answer) {
    case ks::Decision::Answer::text_rules:
      out["result"] = kelvo::bind::resolution_dict(d.text, [&](const kelvo::matcher::ElementRef& ref) {
        return ref.source == kelvo::matcher::Source::dom_elements ? in.dom.object(ref.index)
                                                                   : in.text.object(ref.index);
      });
      break;
    case ks::Decision::Answer::spatial_rules:
      out["result"] = kelvo::bind::spatial_dict(d.spatial.resolution, d.spatial.anchor_text,
                                                [&](std::size_t i) { return object_of(d.spatial.sources[i]); });
      break;
    case ks::Decision::Answer::ladder: out["result"] = kelvo::bind::ladder_dict(d.rung, object_of); break;
    case ks::Decision::Answer::none: out["result"] = not_found(); break;
  }
  // The control the chosen element stands for is what the step names and acts on; the
  // candidates stay as the rules gave them.
  if (d.control) nb::cast<nb::dict>(out["result"])["element"] = object_of(*d.control);
  out["resolved_by"] = d.answer == ks::Decision::Answer::none ? nb::object(nb::none())
                                                              : nb::object(nb::str(d.resolved_by.c_str()));
  if (d.verdict) {
    nb::dict verdict;
    verdict["verified"] = nb::bool_(d.verdict->verified);
    verdict["expected"] = nb::str(d.verdict->expected.c_str());
    verdict["actual"] = nb::str(d.verdict->actual.c_str());
    out["verdict"] = verdict;
  }
  if (d.reason) out["reason"] = nb::str(d.reason->c_str());
  if (d.problem) out["problem"] = nb::str(ks::name_of(*d.problem));
  if (const auto twins = ks::ambiguity(self.plan, d, reading)) {
    nb::dict ambiguity;
    ambiguity["count"] = nb::int_(twins->count);
    ambiguity["chosen"] = nb::int_(twins->chosen);
    nb::list among;
    for (std::size_t position : twins->positions) among.append(nb::int_(position));
    ambiguity["among"] = among;
    out["ambiguity"] = ambiguity;
  }
  // What acting checks the element against, read here while the harvest's texts are at hand.
  if (acts_on_element(self.plan.action)) {
    if (const Record* element = ks::element_of(d, reading))
      out["seen"] = kelvo::bind::from_record(ks::identity_of(*element, reading.text_elements));
  }
  return out;
}

}  // namespace

void bind_step(nb::module_& m) {
  nb::class_<StepPlan>(m, "StepPlan",
                       "A step read once: its action, its phrase and the order of the resolvers.")
      .def("__init__", [](StepPlan* self, nb::handle parsed) { new (self) StepPlan(plan_of(parsed)); },
           "parsed_instruction"_a.none(), "The plan of a parsed instruction.")
      .def(
          "decide",
          [](const StepPlan& self, nb::handle dom_elements, nb::handle text_elements, nb::handle extras) {
            return decide(self, dom_elements, text_elements, extras);
          },
          "dom_elements"_a, "text_elements"_a.none(), "extras"_a.none() = nb::none(),
          "The decision on one harvest: {result, resolved_by[, verdict][, reason][, problem][, ambiguity: {count, chosen, among: positions in the candidates}][, seen]}, or None when it needs "
          "the page's extras (EXTRAS_JS) to be asked again with them.")
      .def_prop_ro("narrowing", &narrowing,
                   "What a narrowed reading of the page reads by ({needle, fields, levels}, for the harvest's "
                   "`narrow`), or None: the step reads the whole page.")
      .def("decide_narrowed", &decide_narrowed, "dom_elements"_a, "text_elements"_a.none(),
           "The decision on a narrowed reading, as decide gives it, when the whole page would give the same; "
           "None: read the whole page.");

  m.def(
      "step_problems",
      [](nb::handle instructions) {
        nb::list items = kelvo::bind::require_list(instructions, "instructions");
        std::vector<std::u32string> texts;
        for (nb::handle item : items) texts.push_back(kelvo::bind::code_points(item, "instructions[]"));
        nb::dict out;
        for (const auto& [number, messages] : ks::step_problems(texts)) {
          nb::list said;
          for (const auto& message : messages) said.append(nb::str(message.c_str()));
          out[nb::int_(number)] = said;
        }
        return out;
      },
      "instructions"_a,
      "Step number (from 1) to its problems, for every step of the list that cannot run.");
  m.def(
      "wait_problem",
      [](nb::handle value) -> nb::object {
        const auto problem = ks::wait_problem(kelvo::bind::code_points(value, "value"));
        return problem ? nb::object(nb::str(problem->c_str())) : nb::none();
      },
      "value"_a, "Why a wait of `value` milliseconds cannot run, or None.");
  m.attr("MAX_WAIT_MS") = ks::kMaxWaitMs;

  m.def(
      "identity_of",
      [](nb::handle element, nb::handle text_elements) {
        kelvo::bind::require_dict(element, "element");
        const Record record = kelvo::bind::to_record(element, "element");
        const kelvo::bind::RecordList texts = kelvo::bind::to_dict_list(text_elements, "text_elements", true);
        return kelvo::bind::from_record(ks::identity_of(record, texts.records()));
      },
      "element"_a, "text_elements"_a.none(),
      "What the identity check compares: {xpath, text, check_text, box, row}, from a harvested descriptor "
      "and its harvest's text elements.");

  m.def(
      "read_step",
      [](nb::handle instruction) {
        static const kelvo::grammar::InstructionParser parser;
        const std::u32string written = kelvo::bind::code_points(instruction, "instruction");
        kelvo::grammar::ParsedInstruction parsed;
        // Checked as a list's steps are, so one step alone is told the same precise words.
        const auto problems = ks::step_problems({written});
        if (!problems.empty()) {
          std::string said;
          for (const std::string& message : problems.begin()->second) said += (said.empty() ? "" : "; ") + message;
          throw nb::value_error(said.c_str());
        }
        if (auto checked = ks::read_checked_check(written)) {
          parsed = std::move(*checked);
        } else {
          try {
            parsed = parser.parse(written);
          } catch (const kelvo::grammar::InstructionError& error) {
            throw nb::value_error(error.what());
          }
        }
        nb::dict record = kelvo::bind::to_dict(parsed);
        // The plan is read from the parse itself, not from the dict: a step holding a lone
        // surrogate, which no UTF-8 can carry, still parses (the shell refuses it first).
        auto text = [](const std::optional<std::u32string>& value) {
          return value ? Record(kelvo::text::encode(*value)) : Record(nullptr);
        };
        Record read = Record::object();
        read["action"] = parsed.action;
        read["target"] = text(parsed.target);
        read["value"] = text(parsed.value);
        if (parsed.ordinal) read["ordinal"] = static_cast<std::int64_t>(*parsed.ordinal);
        StepPlan plan{ks::plan(read)};
        if (parsed.target && !parsed.literal_target)
          plan.plan.written_target = ks::written_target(written, *parsed.target);
        const kelvo::Action action = plan.plan.action;
        const bool extras = ks::wants_extras(plan.plan);
        nb::object narrow = narrowing(plan);
        return nb::make_tuple(record, std::move(plan), nb::str(aim_of(action)), nb::bool_(extras), narrow);

      },
      "instruction"_a.none(),
      "One step read once: (the parsed instruction, its StepPlan, what the agent does: \"act\", \"check\", "
      "\"read\", \"text\", \"navigate\", \"wait\", \"press\", \"keys\", \"accept\", \"dismiss\" or \"dialog\"; whether "
      "its decision will all but surely want the extras, to be asked in the harvest; its narrowing, as "
      "StepPlan.narrowing gives it); ValueError, in the words a list's check gives, when the step cannot run.");
}
