// kelvo_web.engine.agent.grammar: the instruction parser for Python callers.
//
// Text crosses the boundary as code points (not UTF-8) so every str, lone surrogates
// included, reaches the core and comes back unchanged.
#include <nanobind/nanobind.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/convert.h"
#include "engine/agent/grammar/grammar.h"
#include "engine/agent/parsed_instruction.h"
#include "native.h"

namespace nb = nanobind;
using kelvo::bind::raise_type_error;
using namespace kelvo::grammar;
using kelvo::bind::code_points;
using kelvo::bind::to_dict;
using kelvo::bind::to_str;

namespace {

nb::list to_list(const std::vector<std::string>& messages) {
  nb::list out;
  for (const auto& message : messages) out.append(nb::str(message.data(), message.size()));
  return out;
}

ParsedInstruction parse_or_raise(const InstructionParser& parser, std::u32string_view text) {
  try {
    return parser.parse(text);
  } catch (const InstructionError& error) {
    throw nb::value_error(error.what());
  }
}

template <std::size_t N>
nb::dict states_dict(const std::array<StateEntry, N>& states) {
  nb::dict out;
  for (const auto& [ending, action] : states) {
    out[to_str(ending)] = nb::str(action.data(), action.size());
  }
  return out;
}

}  // namespace

void bind_grammar(nanobind::module_& m) {
  m.doc() = "The instruction language: plain-English steps to structured instructions.";

  m.attr("_QUOTE_RE") =
      nb::module_::import_("re").attr("compile")(nb::str(kQuotePattern.data(), kQuotePattern.size()));
  nb::dict ordinals;
  for (const auto& row : kOrdinals)
    ordinals[nb::str(row.word.data(), row.word.size())] = nb::int_(row.number);
  m.attr("_ORDINALS") = ordinals;

  m.def(
      "_extract_ordinal",
      [](nb::handle text) {
        auto [number, rest] = extract_ordinal(code_points(text, "text"));
        return nb::make_tuple(nb::int_(number), to_str(rest));
      },
      nb::arg("text").none(), "Reads a leading ordinal word: (its number, the rest) or (1, text).");

  auto cls = nb::class_<InstructionParser>(
      m, "InstructionParser", "Converts free-text instructions into structured action/target/value dicts.");
  cls.def(nb::init<>());

  nb::list supported;
  for (auto action : kSupportedActions) supported.append(nb::str(action.data(), action.size()));
  cls.attr("SUPPORTED_ACTIONS") = supported;
  cls.attr("_VERIFY_STATES") = states_dict(kVerifyStates);
  cls.attr("_VERIFY_TEXT_STATES") = states_dict(kVerifyTextStates);
  nb::set stop_words;
  for (auto word : kStopWords) stop_words.add(to_str(word));
  cls.attr("_STOP_WORDS") = stop_words;
  nb::set known;
  for (auto word : kKnownActions) known.add(nb::str(word.data(), word.size()));
  cls.attr("_KNOWN_ACTIONS") = known;

  cls.def(
      "parse",
      [](const InstructionParser& self, nb::handle instruction) {
        return to_dict(parse_or_raise(self, code_points(instruction, "instruction")));
      },
      nb::arg("instruction").none(),
      "Parses one instruction into a new dict; raises ValueError when no form matches.");
  cls.def(
      "validate",
      [](const InstructionParser& self, nb::handle instruction) {
        return to_list(self.validate(code_points(instruction, "instruction")));
      },
      nb::arg("instruction").none(), "Problems found in one instruction; an empty list when none.");
  cls.def(
      "validate_all",
      [](const InstructionParser& self, nb::handle instructions) {
        nb::list items = kelvo::bind::require_list(instructions, "instructions");
        nb::dict out;
        std::size_t number = 0;
        for (nb::handle item : items) {
          ++number;
          auto problems = self.validate(code_points(item, "instruction"));
          if (!problems.empty()) out[nb::int_(number)] = to_list(problems);
        }
        return out;
      },
      nb::arg("instructions").none(),
      "Instruction number (from 1) to its problems, only for instructions with problems.");
  cls.def(
      "_unquote",
      [](const InstructionParser&, nb::handle instruction) {
        Unquoted unquoted = InstructionParser::unquote(code_points(instruction, "instruction"));
        nb::list literals;
        for (const auto& literal : unquoted.literals) literals.append(to_str(literal));
        return nb::make_tuple(to_str(unquoted.text), literals);
      },
      nb::arg("instruction").none(), "The text with quoted segments unwrapped, and the segments.");
  cls.def(
      "_clean_target",
      [](const InstructionParser&, nb::handle target) {
        return to_str(InstructionParser::clean_target(code_points(target, "target")));
      },
      nb::arg("target").none(), "Drops leading stop words.");

  // For bench/: parses every instruction `repeat` times inside the core and returns the
  // seconds spent, so the cost of crossing into Python can be told apart.
  m.def(
      "_bench_parse",
      [](nb::handle instructions, int repeat) {
        nb::list items = kelvo::bind::require_list(instructions, "instructions");
        std::vector<std::u32string> texts;
        for (nb::handle item : items) texts.push_back(code_points(item, "instructions"));
        InstructionParser parser;
        std::size_t checksum = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < repeat; ++r) {
          for (const auto& text : texts) {
            try {
              checksum += parser.parse(text).action.size();
            } catch (const InstructionError&) {
              ++checksum;
            }
          }
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        volatile std::size_t sink = checksum;
        (void)sink;
        return elapsed.count();
      },
      nb::arg("instructions").none(), nb::arg("repeat"));
}
