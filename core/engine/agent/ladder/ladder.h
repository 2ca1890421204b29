// The agent's own resolution steps beyond the text and spatial rules. They run only after
// the rules answered "not found", on the same harvest plus the page extras gathered in one
// more round trip (scripts/extras.js): controls with their accessible names and kinds, and
// text held by inline and structural tags the harvest does not read.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/record.h"
#include "engine/agent/ladder/phrase.h"

namespace kelvo::ladder {

// Rung names as they appear in step records.
inline constexpr const char* kByLabel = "label";
inline constexpr const char* kByControlType = "control-type";
inline constexpr const char* kByExtendedText = "extended-text";
inline constexpr const char* kByPresent = "present";
inline constexpr const char* kByExactText = "exact-text";
inline constexpr const char* kBySliderValue = "slider-value";
inline constexpr const char* kByColumn = "column";

// Which input list an answer's record comes from; the binding maps positions back to the
// caller's own objects.
enum class Source { dom_elements, text_elements, controls, texts, hidden };

struct Ref {
  Source source;
  std::size_t index;
};

namespace detail {
struct PathIndex;
}

struct Lists {
  const std::vector<Record>& dom_elements;
  const std::vector<Record>& text_elements;
  const std::vector<Record>& controls;          // extras: one record per form control, with "kind" and "name"
  const std::vector<Record>& texts;             // extras: text-element records of the extended tags
  const std::vector<Record>* hidden = nullptr;  // extras: text in the document but not shown
  // Built on first use by the rungs: where each path stands among the descriptors and the
  // controls, so no rung searches the lists again for each record it looks at.
  mutable std::shared_ptr<const detail::PathIndex> paths = nullptr;
};

struct LadderResult {
  bool resolved = false;
  std::string resolved_by;  // empty when no rung found anything
  std::optional<Ref> element;
  std::vector<Ref> candidates;
  // Text checks only: what the check observed.
  std::optional<bool> verified;
  std::optional<std::string> expected;
  std::optional<std::string> actual;
  std::optional<std::string> extracted;
  // Place phrases: the anchor the answer was measured from.
  std::optional<Ref> anchor;
};

// A tester's phrase read once for a step: every rung and check below takes it, so none
// reads the text again. The overloads taking the text read it themselves.
struct Phrase {
  std::string text;             // the target as written
  std::string folded;           // lower-cased, blanks folded, invisible marks dropped
  std::string bare;             // folded, without leading and trailing type words
  detail::ControlPhrase words;  // kind, name, relation, anchor and ordinal
};
Phrase read_phrase(const std::string& target);

// The kind a tester's word names, or empty: "checkbox", "radio", "select" (dropdown,
// combobox), "textbox" (textbox, field, editor), "search" (search box: a text field for
// searching), "slider", "option". The kind of a control record is its "kind" key.
std::string kind_of_word(const std::string& word);

// Whether the target names a control kind ("checkbox", "the second radio button") that the
// element is not: the rules do not know these words and answer with a guess, which the
// agent then treats as "not found".
bool contradicts_kind(const std::string& target, const Record& element);
bool contradicts_kind(const Phrase& target, const Record& element);

// The kind group of a harvested descriptor: "checkbox", "radio", "select", "textbox" or "".
std::string kind_of_element(const Record& element);

// Runs the rungs that fit the instruction's action; a result with resolved false when none
// finds anything. Element actions: labels, then the tester's type words. Text checks and
// extraction: the extended texts.
LadderResult resolve(const Record& parsed_instruction, const Lists& lists);
LadderResult resolve(const Record& parsed_instruction, const Phrase& target, const Lists& lists);

// Element actions: the control a label names (accessible names first, then harvested labels).
LadderResult resolve_by_label(const std::string& action, const std::string& target, std::int64_t ordinal,
                              const Lists& lists);
LadderResult resolve_by_label(const std::string& action, const Phrase& target, std::int64_t ordinal,
                              const Lists& lists);

// Element actions: "the second radio button", "the checkbox next to Keep me signed in".
LadderResult resolve_by_control_type(const std::string& action, const std::string& target,
                                     std::int64_t ordinal, const Lists& lists);
LadderResult resolve_by_control_type(const std::string& action, const Phrase& target, std::int64_t ordinal,
                                     const Lists& lists);

// Text checks, searches and spatial text over text elements plus extended texts.
LadderResult resolve_extended_text(const std::string& action, const std::string& target,
                                   const std::string& value, const Lists& lists);

// "The text below Price" in a table: the first cell of the column whose header cell reads
// Price (its sort arrow or menu aside), rather than what lies below another copy of the word.
std::optional<Ref> column_cell(const Phrase& target, const Lists& lists);

// A slider's value is the text a person reads in a direction from the anchor ("the text below
// Duration is 6") when the slider stands nearer the anchor than `found`, the text the rules
// read there (null: none). The slider's control record, or none.
std::optional<Ref> value_in_direction(const Phrase& target, const Record* found, const Lists& lists);

// "verify X is present" for what is in the document but not shown (an inactive tab pane, a
// closed dialog): the hidden texts whose text contains the target, shortest first.
LadderResult resolve_present(const std::string& action, const std::string& target, const Lists& lists);
LadderResult resolve_present(const std::string& action, const Phrase& target, const Lists& lists);

// Element actions the rules answered with a contains match: the element whose own name
// (text, aria-label, title, accessible name) is the whole target, when the rules' choice
// is not named so. Empty when the rules' choice already is, or no element is.
LadderResult exact_name(const std::string& action, const std::string& target, const std::string& chosen_xpath,
                        const Lists& lists);
LadderResult exact_name(const std::string& action, const Phrase& target, const std::string& chosen_xpath,
                        const Lists& lists);

// Whether a spatial target names its element ("the Delete button right of Bob") and the
// element carries no such name: the rules then chose by place alone.
bool contradicts_name(const std::string& target, const Record& element);
bool contradicts_name(const Phrase& target, const Record& element);

// A spatial answer of the rules with a twin of the same name (or, for a phrase naming only a
// kind, of the same kind) closer to the anchor in the page's tree: the Delete button of the
// anchor's own table row rather than the next row's. Empty when the rules' choice is the
// closest, or the phrase has an ordinal.
LadderResult row_twin(const std::string& action, const std::string& target, const std::string& chosen_xpath,
                      const Lists& lists);
LadderResult row_twin(const std::string& action, const Phrase& target, const std::string& chosen_xpath,
                      const Lists& lists);
// Whether row_twin can answer at all for the phrase: it names a control or a kind, a place,
// and no ordinal. Otherwise the extras it reads need not be fetched.
bool may_have_row_twin(const Phrase& target);

// Whether an element is a control in its own right (a native control, a link, a summary, an
// element with a widget role), and whether the rules' choice may stand for another: a
// wrapper, a label, a list box whose option the target names.
bool is_control(const Record& element);
bool may_stand_for_control(const Record& element);

// The control a person means when the rules chose what stands for it, read from the extras'
// controls: the option of a list box the target names; the control around the element (a
// div in a summary, a span in a button, anything in the label of a hidden input); the one
// control inside a wrapper that its words name. None when the element is what was meant.
std::optional<Ref> control_of(const Lists& lists, const Record& element, const Phrase& target);

// The visible widget that answers for a hidden native control (an enhanced select, a code
// editor over its textarea): the control whose "stands_for" is the element's path.
std::optional<Ref> stand_in_of(const Lists& lists, const Record& element);

// The extras' control at a path.
std::optional<std::size_t> control_at(const Lists& lists, const std::string& xpath);

// After the chosen element refused the action: the candidates still worth trying, in the
// result's order, leaving out the one that failed and those that plainly cannot take it.
std::vector<std::size_t> retry_order(const std::string& action, const std::vector<Record>& candidates,
                                     std::size_t failed);

}  // namespace kelvo::ladder
