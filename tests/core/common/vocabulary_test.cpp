// The one vocabulary of place and kind words, and the state checks judged from a harvest.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/element_state.h"
#include "common/vocabulary.h"

namespace {

namespace voc = kelvo::vocabulary;
namespace es = kelvo::element_state;
using kelvo::Record;

TEST(Vocabulary, EveryWordHasOneMeaning) {
  std::set<std::string_view> relations, ordinals, controls;
  for (const auto& row : voc::kRelationPhrases) EXPECT_TRUE(relations.insert(row.phrase).second) << row.phrase;
  for (const auto& row : voc::kOrdinalWords) EXPECT_TRUE(ordinals.insert(row.word).second) << row.word;
  for (const auto& row : voc::kControlWords) EXPECT_TRUE(controls.insert(row.word).second) << row.word;
  const std::set<std::string_view> meanings = {voc::kBelow, voc::kAbove, voc::kLeft, voc::kRight, voc::kNextTo, voc::kNear};
  for (const auto& row : voc::kRelationPhrases) EXPECT_EQ(meanings.count(row.relation), 1u) << row.phrase;
}

struct RelationCase {
  voc::RelationWord id;
  std::string_view phrase;
  std::string_view relation;
  const char* why;
};

TEST(Vocabulary, RelationPhrasesByTheirId) {
  // The views are built by id: an id that found the wrong row would give a reader a word
  // with another meaning.
  const RelationCase cases[] = {
      {voc::RelationWord::next_to, "next to", "next_to", "its own relation, not right"},
      {voc::RelationWord::beside, "beside", "next_to", "another name for next to"},
      {voc::RelationWord::under, "under", "below", "under means below"},
      {voc::RelationWord::underneath, "underneath", "below", "longer synonym"},
      {voc::RelationWord::left_of, "left of", "left", "two words"},
      {voc::RelationWord::to_the_right_of, "to the right of", "right", "long form"},
      {voc::RelationWord::near, "near", "near", "no direction"},
  };
  for (const auto& c : cases) {
    const auto& row = voc::relation_phrase(c.id);
    EXPECT_EQ(row.phrase, c.phrase) << c.why;
    EXPECT_EQ(row.relation, c.relation) << c.why;
  }
}

TEST(Vocabulary, ReadingDirection) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"next_to", "right"},  // text beside a label is read in the direction of writing
      {"right", "right"}, {"left", "left"}, {"below", "below"}, {"above", "above"}, {"near", "near"},
  };
  for (const auto& [relation, direction] : cases) EXPECT_EQ(voc::reading_direction(relation), direction) << relation;
}

TEST(Vocabulary, ViewsKeepTheirReadersTables) {
  // Sizes the readers' public tables have; a row lost or doubled would change answers.
  EXPECT_EQ(voc::kResolverRelations.size(), 7u);
  EXPECT_EQ(voc::kLeadInRelations.size(), 7u);
  EXPECT_EQ(voc::kReadingRelations.size(), 6u);
  EXPECT_EQ(voc::kLeadingOrdinals.size(), 5u);
  EXPECT_EQ(voc::kResolverOrdinals.size(), 10u);
  EXPECT_EQ(voc::kResolverTypeWords.size(), 9u);
  EXPECT_EQ(voc::kDescriptorWords.size(), 18u);
  EXPECT_EQ(voc::kLadderKindWords.size(), 36u);
  EXPECT_EQ(voc::kResolverOrdinals.back().word, "5th");
  for (const auto& row : voc::kResolverOrdinals) EXPECT_NE(row.number, voc::kLast) << "last is the ladder's alone";
}

struct WordsCase {
  const char* phrase;
  std::vector<std::string> words;
  const char* why;
};

TEST(Vocabulary, WordsOf) {
  const WordsCase cases[] = {
      {"button (below) Total", {"button", "below", "total"}, "punctuation does not hide a word"},
      {"Tom's first car", {"tom's", "first", "car"}, "an apostrophe stays inside the word"},
      {"next_to Total", {"next_to", "total"}, "the underscore is a word character"},
      {"second-hand shop", {"second", "hand", "shop"}, "a hyphen separates"},
      {"Naïve  Café", {"naïve", "café"}, "accented letters are word characters"},
      {"\u0130near button", {"i", "near", "button"}, "the dot İ lowers to is no word character"},
      {"", {}, "empty"},
      {" \t ", {}, "blank"},
  };
  for (const auto& c : cases) EXPECT_EQ(voc::words_of(c.phrase), c.words) << c.why;
}

struct HasWordsCase {
  std::vector<std::string> words;
  const char* phrase;
  bool expected;
  const char* why;
};

TEST(Vocabulary, HasWords) {
  const HasWordsCase cases[] = {
      {{"button", "next", "to", "x"}, "next to", true, "consecutive"},
      {{"next", "page", "to"}, "next to", false, "not consecutive"},
      {{"to", "next"}, "next to", false, "wrong order"},
      {{"next"}, "next to", false, "phrase longer than the words"},
      {{"linear", "gauge"}, "near", false, "inside a word is no match"},
      {{"near"}, "near", true, "alone"},
      {{}, "near", false, "no words"},
  };
  for (const auto& c : cases) EXPECT_EQ(voc::has_words(c.words, c.phrase), c.expected) << c.why;
}

struct StateCase {
  const char* action;
  Record element;
  bool holds;
  const char* why;
};

TEST(ElementState, Holds) {
  const StateCase cases[] = {
      {"verify_present", Record::object(), true, "being found is being present"},
      {"verify_visible", Record{{"is_visible", true}}, true, "recorded visible"},
      {"verify_visible", Record::object(), false, "no flag is not visible"},
      {"verify_visible", Record{{"is_visible", 1}}, true, "a number reads as Python reads it"},
      {"verify_visible", Record{{"is_visible", std::string()}}, false, "an empty text is false"},
      {"verify_enabled", Record{{"is_enabled", false}}, false, "recorded disabled"},
      {"verify_disabled", Record{{"is_enabled", false}}, true, "disabled is not enabled"},
      {"verify_disabled", Record::object(), true, "no enabled flag counts as disabled"},
      {"verify_disabled", Record{{"is_enabled", nullptr}}, true, "null is false"},
      {"verify_disabled", Record{{"is_enabled", true}}, false, "enabled"},
  };
  for (const auto& c : cases) {
    auto check = es::check_of(c.action);
    ASSERT_TRUE(check) << c.action;
    EXPECT_EQ(es::holds(*check, c.element), c.holds) << c.why;
  }
  EXPECT_FALSE(es::check_of("click")) << "not a state check";
  EXPECT_FALSE(es::check_of("verify_text_visible")) << "a text check, not an element state";
}

TEST(ElementState, Observed) {
  EXPECT_EQ(es::observed(Record{{"is_visible", true}, {"is_enabled", true}}), "present, visible, enabled");
  EXPECT_EQ(es::observed(Record{{"is_visible", false}}), "present, hidden, disabled");
}

}  // namespace
