// The agent's step engine: one call decides what a step aims at on one harvest, with the
// rules, the spatial matrix, the ladder and the checks all run here on the core's records.
// The caller (the agent's Python shell) only reads the page: when a decision needs the
// ladder's extra reading, the answer says so, and the caller asks again with it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/actions.h"
#include "common/record.h"
#include "engine/agent/ladder/ladder.h"
#include "engine/spatial/surveyor/matrix_resolver.h"
#include "engine/strategies/matcher/result.h"

namespace kelvo::step {

enum class Route { text, spatial };

// A step read once: the action as a type, the instruction record the rules take, the phrase
// the ladder and the checks read, and the resolvers in the order the phrase's words give
// (none for a step about page text).
struct Plan {
  Action action;
  Record instruction;
  ladder::Phrase phrase;
  std::vector<Route> routes;
  // The target with the double quotes the instruction wrote inside it (the parsed record
  // unwraps them): a text step that finds nothing looks for it too. Empty when the same.
  std::string written_target;
};

// Throws std::invalid_argument for an action the language does not have.
Plan plan(const Record& parsed_instruction);

// The target as `instruction` writes it, with the double quotes inside it, when the parsed
// record (`parsed_target`, not a literal) unwrapped some; empty otherwise.
std::string written_target(std::u32string_view instruction, const std::u32string& parsed_target);

// Whether a decision on the plan all but surely asks for the ladder's extras, so the shell
// asks for them in the harvest's own evaluation: a place phrase without an ordinal always
// looks for a twin in the anchor's row, and a control kind the rules do not know sends the
// step up the ladder.
bool wants_extras(const Plan& plan);

// One harvest, and the ladder's extra reading of the page when the caller has it.
struct Reading {
  const std::vector<Record>& dom_elements;
  const std::vector<Record>& text_elements;
  const std::vector<Record>* controls = nullptr;  // null: the extras were not read
  const std::vector<Record>* texts = nullptr;
  const std::vector<Record>* hidden = nullptr;
  bool has_extras() const { return controls != nullptr; }
};

// A spatial answer of the rules over the matrix built here; `sources` gives each matrix
// entry's record: text positions past the harvest's own name the extras' texts.
struct SpatialAnswer {
  surveyor::SpatialResolution resolution;
  std::string anchor_text;
  std::vector<ladder::Ref> sources;
};

// How a step about page text fails.
enum class TextProblem {
  no_exact_text,    // find exact text: no text is exactly the target
  absent,           // a searched text is not on the page
  hidden,           // verify text ... is visible: on the page, not shown
  nothing_to_read,  // extract text in a direction: the place has no text (reason given)
  no_anchor,        // extract text in a direction: the anchor is not on the page (reason given)
  no_place,         // the target names no place (no relation and anchor)
  place_missed,     // the place was read and holds nothing that fits (the rules' own words)
  mismatch,         // verify text in a direction: the text found is another
};
const char* name_of(TextProblem problem);

// A state check's judgement of the element found (verify Save is enabled).
struct Verdict {
  bool verified = false;
  std::string expected;
  std::string actual;
};

struct Decision {
  enum class Status { found, not_found, needs_extras };
  enum class Answer { none, text_rules, spatial_rules, ladder };
  Status status = Status::not_found;
  Answer answer = Answer::none;
  std::string resolved_by;  // the resolver or the rung that found it
  matcher::ResolutionResult text;
  SpatialAnswer spatial;
  ladder::LadderResult rung;
  std::optional<Verdict> verdict;  // state checks that found their element
  // extract_text_spatial that found nothing: what a check of the same place observed.
  std::optional<std::string> reason;
  // A text step that fails: how, for the shell to word (see TextProblem); none when it holds.
  std::optional<TextProblem> problem;
  // The control the answer's element stands for (a wrapper's button, a label's hidden input,
  // a list box's option, the widget over a hidden select): the record the step names.
  std::optional<ladder::Ref> control;
};

Decision decide(const Plan& plan, const Reading& reading);

// Several elements a step's words name alike (the same name, and no ordinal or place to
// choose among them): how many, and which of them the rules took (from 1, in the order the
// rules list them). None when the words single one out, or another rule than the text
// rules chose it. A tester told of it can name one by order or by place.
struct Ambiguity {
  std::size_t count = 0;
  std::size_t chosen = 0;
  std::vector<std::size_t> positions;  // of the alike-named among the decision's candidates
};
std::optional<Ambiguity> ambiguity(const Plan& plan, const Decision& decision, const Reading& reading);

// A narrowed reading of the page a step may take instead of the whole one: only the nodes
// whose words may hold `needle` (the target as the text rules compare it, lower-case, its
// spaces, separators and invisible characters left out), plus every field the rules weigh
// as a whole: "typing" (what a type step may type into) or "picking" (native selects).
// `levels`: how far up a kept node's row is read, for the identity check before acting.
struct Narrowing {
  std::string needle;
  std::string fields;
  int levels = 0;
};

// The narrowing a step may read by, or none: only a plain name (no place, no ordinal word,
// no kind the rules do not know), in ASCII, on a step the text rules answer first.
std::optional<Narrowing> narrowing(const Plan& plan);

// The decision on a narrowed reading, when it is provably the one the whole page would give:
// the text rules found the element by the step's words (every element they could weigh was
// read), it is named exactly or is checked rather than acted on, it needs no extras, and a
// typing step's fields all carry their own labels (a label drawn above a field is read only
// from the whole page). Otherwise none: read the whole page.
std::optional<Decision> decide_narrowed(const Plan& plan, const Reading& reading);

// The record a decision names (its control when it has one), or null.
const Record* element_of(const Decision& decision, const Reading& reading);

// The resolver names of step records.
const char* route_name(Route route);

}  // namespace kelvo::step
