// The words a tester uses to say where an element is and what kind it is: relation
// phrases, ordinal words, control-type words and articles, each with its one meaning.
// Every reader of a target phrase (grammar, spatial resolution, text matching, the ladder,
// routing) takes its words from here; a reader that knows fewer words gets a view, a list
// of the entries it knows in the order it tries them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::vocabulary {

// ---- relations: where the sought element stands to its anchor --------------------------

// The relations, named as spatial resolution names its strategies.
inline constexpr std::string_view kBelow = "below";
inline constexpr std::string_view kAbove = "above";
inline constexpr std::string_view kLeft = "left";
inline constexpr std::string_view kRight = "right";
inline constexpr std::string_view kNextTo = "next_to";  // on the anchor's row, to its right
inline constexpr std::string_view kNear = "near";

enum class RelationWord : std::uint8_t {
  next_to,
  beside,
  below,
  under,
  beneath,
  underneath,
  above,
  left_of,
  right_of,
  near,
  to_the_left_of,
  to_the_right_of,
};

struct RelationPhrase {
  RelationWord id;
  std::string_view phrase;    // lower case, words separated by one blank
  std::string_view relation;  // one of the relations above
};

inline constexpr std::array<RelationPhrase, 12> kRelationPhrases{{
    {RelationWord::next_to, "next to", kNextTo},
    {RelationWord::beside, "beside", kNextTo},
    {RelationWord::below, "below", kBelow},
    {RelationWord::under, "under", kBelow},
    {RelationWord::beneath, "beneath", kBelow},
    {RelationWord::underneath, "underneath", kBelow},
    {RelationWord::above, "above", kAbove},
    {RelationWord::left_of, "left of", kLeft},
    {RelationWord::right_of, "right of", kRight},
    {RelationWord::near, "near", kNear},
    {RelationWord::to_the_left_of, "to the left of", kLeft},
    {RelationWord::to_the_right_of, "to the right of", kRight},
}};

constexpr const RelationPhrase& relation_phrase(RelationWord id) {
  for (const auto& row : kRelationPhrases) {
    if (row.id == id) return row;
  }
  return kRelationPhrases[0];  // unreachable: every id has its row
}

// The entries of a view, in the view's order.
template <std::size_t N>
constexpr std::array<RelationPhrase, N> relation_view(const std::array<RelationWord, N>& ids) {
  std::array<RelationPhrase, N> rows{};
  for (std::size_t i = 0; i < N; ++i) rows[i] = relation_phrase(ids[i]);
  return rows;
}

// The direction a text is read in from a label named by a relation. A text is read
// beside its label in the direction of writing, so "next to" reads rightwards, as
// "right of" does; spatial text checks and the ladder's reading of text use this, while
// element resolution keeps next_to as its own relation (same row, right side, nearest).
constexpr std::string_view reading_direction(std::string_view relation) {
  return relation == kNextTo ? kRight : relation;
}

// Views. Each reader's order is part of its answers: where two phrases could both fit,
// the earlier one (or the longer one, for readers that sort) wins.
using RW = RelationWord;

// Spatial resolution's keywords, also what routing looks for (as whole words) to send a
// phrase to spatial resolution first.
inline constexpr auto kResolverRelations =
    relation_view<7>({RW::next_to, RW::below, RW::under, RW::above, RW::left_of, RW::right_of, RW::near});

// The lead-ins that make "extract text ..." and "verify text ..." spatial.
inline constexpr auto kLeadInRelations =
    relation_view<7>({RW::next_to, RW::below, RW::above, RW::left_of, RW::right_of, RW::under, RW::near});

// The directions a spatial text check reads in; "near" names none.
inline constexpr auto kReadingRelations =
    relation_view<6>({RW::next_to, RW::right_of, RW::left_of, RW::below, RW::under, RW::above});

// The ladder's reading of a control phrase, on whole words of one or two.
inline constexpr auto kControlRelations =
    relation_view<10>({RW::next_to, RW::beside, RW::below, RW::under, RW::beneath, RW::underneath, RW::above,
                       RW::left_of, RW::right_of, RW::near});

// The ladder's reading of a spatial text phrase: every phrase, the long forms first.
inline constexpr auto kTextRelations =
    relation_view<10>({RW::to_the_right_of, RW::to_the_left_of, RW::right_of, RW::next_to, RW::left_of,
                       RW::beneath, RW::below, RW::under, RW::above, RW::near});

// ---- ordinals ------------------------------------------------------------------------------

struct OrdinalWord {
  std::string_view word;
  std::int64_t number;  // -1 for "last"
  bool spelled;         // "second" rather than "2nd"
};

inline constexpr std::int64_t kLast = -1;

inline constexpr std::array<OrdinalWord, 21> kOrdinalWords{{
    {"first", 1, true},    {"second", 2, true}, {"third", 3, true},   {"fourth", 4, true},
    {"fifth", 5, true},    {"sixth", 6, true},  {"seventh", 7, true}, {"eighth", 8, true},
    {"ninth", 9, true},    {"tenth", 10, true}, {"1st", 1, false},    {"2nd", 2, false},
    {"3rd", 3, false},     {"4th", 4, false},   {"5th", 5, false},    {"6th", 6, false},
    {"7th", 7, false},     {"8th", 8, false},   {"9th", 9, false},    {"10th", 10, false},
    {"last", kLast, true},
}};

// The ordinals from 1 to `highest`, in table order: spelled words, then (when asked for)
// numeric ones.
template <std::size_t N>
constexpr std::array<OrdinalWord, N> ordinal_view(std::int64_t highest, bool numeric) {
  std::array<OrdinalWord, N> rows{};
  std::size_t n = 0;
  for (const auto& row : kOrdinalWords) {
    if (row.number >= 1 && row.number <= highest && (row.spelled || numeric) && n < N) rows[n++] = row;
  }
  return rows;
}

// The instruction parser's leading ordinal: five spelled words.
inline constexpr auto kLeadingOrdinals = ordinal_view<5>(5, false);
// Spatial resolution's ordinals (and routing's): first to fifth, spelled or numeric.
inline constexpr auto kResolverOrdinals = ordinal_view<10>(5, true);

// ---- control types -------------------------------------------------------------------------

// What kind of control a word names. `none` words only say that some element is meant.
enum class ControlKind : std::uint8_t { button, link, textbox, select, checkbox, radio, tab, none };

// Which readers know a word. The spatial resolver's type words come first in the table, in
// the order it tries them.
enum ControlSet : std::uint8_t {
  kResolverType = 1,  // spatial resolution's type filter
  kDescriptor = 2,    // text matching drops it from either end of a name ("Login button")
  kLadderKind = 4,    // the ladder's kind of control (one or two words, plurals)
};

struct ControlWord {
  std::string_view word;
  ControlKind kind;
  std::uint8_t sets;
};

inline constexpr std::array<ControlWord, 44> kControlWords{{
    {"button", ControlKind::button, kResolverType | kDescriptor | kLadderKind},
    {"btn", ControlKind::button, kResolverType | kDescriptor},
    {"link", ControlKind::link, kResolverType | kDescriptor | kLadderKind},
    {"anchor", ControlKind::link, kResolverType},
    {"input", ControlKind::textbox, kResolverType | kDescriptor | kLadderKind},
    {"field", ControlKind::textbox, kResolverType | kDescriptor | kLadderKind},
    {"textbox", ControlKind::textbox, kResolverType | kDescriptor | kLadderKind},
    {"select", ControlKind::select, kResolverType | kDescriptor | kLadderKind},
    {"dropdown", ControlKind::select, kResolverType | kDescriptor | kLadderKind},
    {"box", ControlKind::none, kDescriptor},
    {"checkbox", ControlKind::checkbox, kDescriptor | kLadderKind},
    {"radio", ControlKind::radio, kDescriptor | kLadderKind},
    {"textarea", ControlKind::textbox, kDescriptor | kLadderKind},
    {"area", ControlKind::none, kDescriptor},
    {"icon", ControlKind::button, kDescriptor | kLadderKind},
    {"control", ControlKind::none, kDescriptor},
    {"widget", ControlKind::none, kDescriptor},
    {"form", ControlKind::none, kDescriptor},
    {"element", ControlKind::none, kDescriptor},
    {"checkboxes", ControlKind::checkbox, kLadderKind},
    {"check box", ControlKind::checkbox, kLadderKind},
    {"tickbox", ControlKind::checkbox, kLadderKind},
    // A switch is announced as a checkbox that is on or off.
    {"switch", ControlKind::checkbox, kLadderKind},
    {"switches", ControlKind::checkbox, kLadderKind},
    {"radios", ControlKind::radio, kLadderKind},
    {"radio button", ControlKind::radio, kLadderKind},
    {"radio buttons", ControlKind::radio, kLadderKind},
    {"radiobutton", ControlKind::radio, kLadderKind},
    {"option button", ControlKind::radio, kLadderKind},
    {"dropdowns", ControlKind::select, kLadderKind},
    {"drop-down", ControlKind::select, kLadderKind},
    {"drop down", ControlKind::select, kLadderKind},
    {"combobox", ControlKind::select, kLadderKind},
    {"combo box", ControlKind::select, kLadderKind},
    {"listbox", ControlKind::select, kLadderKind},
    {"picker", ControlKind::select, kLadderKind},
    {"text box", ControlKind::textbox, kLadderKind},
    {"fields", ControlKind::textbox, kLadderKind},
    {"text field", ControlKind::textbox, kLadderKind},
    {"input field", ControlKind::textbox, kLadderKind},
    {"text input", ControlKind::textbox, kLadderKind},
    {"tab", ControlKind::tab, kLadderKind},
    {"tabs", ControlKind::tab, kLadderKind},
    {"buttons", ControlKind::button, kLadderKind},
}};
// "Toggle" is no type word: "Toggle dark mode" names a button.

constexpr std::size_t count_in(std::uint8_t set) {
  std::size_t n = 0;
  for (const auto& row : kControlWords) n += (row.sets & set) ? 1 : 0;
  return n;
}

// The words of one set, in table order.
template <std::size_t N>
constexpr std::array<ControlWord, N> control_view(std::uint8_t set) {
  std::array<ControlWord, N> rows{};
  std::size_t n = 0;
  for (const auto& row : kControlWords) {
    if ((row.sets & set) && n < N) rows[n++] = row;
  }
  return rows;
}

inline constexpr auto kResolverTypeWords = control_view<count_in(kResolverType)>(kResolverType);
inline constexpr auto kDescriptorWords = control_view<count_in(kDescriptor)>(kDescriptor);
inline constexpr auto kLadderKindWords = control_view<count_in(kLadderKind)>(kLadderKind);

// ---- articles ------------------------------------------------------------------------------

// Dropped from an anchor's front, in this order, each at most once.
inline constexpr std::array<std::string_view, 3> kArticles = {"the", "a", "an"};

constexpr bool is_article(std::string_view word) {
  for (auto article : kArticles) {
    if (article == word) return true;
  }
  return false;
}

// ---- reading phrases on whole words ----------------------------------------------------------

// The lower-cased words of a phrase, as runs of word characters and apostrophes:
// punctuation around a word does not hide it ("(below)" holds "below").
std::vector<std::string> words_of(std::string_view phrase);

// Whether `phrase` (one or more words) occurs in `words` as consecutive whole words.
bool has_words(const std::vector<std::string>& words, std::string_view phrase);

}  // namespace kelvo::vocabulary
