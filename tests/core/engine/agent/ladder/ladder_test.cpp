// The ladder's rungs on hand-built harvests: labels, type words, extended text, retries.
#include <gtest/gtest.h>

#include <cctype>

#include "engine/agent/ladder/ladder.h"
#include "engine/agent/ladder/phrase.h"

namespace {

using kelvo::Record;
namespace kl = kelvo::ladder;

Record box(double x, double y, double w = 16, double h = 16) {
  return Record{{"x", x}, {"y", y}, {"width", w}, {"height", h}};
}

Record control(const std::string& kind, const std::string& name, double x, double y, const std::string& xpath,
               const std::string& tag = "input") {
  return Record{{"tag", tag}, {"text", ""}, {"attributes", Record::object()}, {"bounding_box", box(x, y)},
                {"is_visible", true}, {"is_enabled", true}, {"xpath", xpath}, {"kind", kind}, {"name", name}};
}

Record text_el(const std::string& tag, const std::string& words, double x, double y, const std::string& xpath,
            double w = 120, double h = 20) {
  return Record{{"tag", tag}, {"text", words}, {"has_direct_text", true}, {"attributes", Record::object()},
                {"bounding_box", box(x, y, w, h)}, {"is_visible", true}, {"is_enabled", true}, {"xpath", xpath}};
}

Record descriptor(const std::string& tag, const std::string& words, double x, double y, const std::string& xpath,
                  Record attributes = Record::object()) {
  return Record{{"tag", tag}, {"text", words}, {"attributes", std::move(attributes)}, {"bounding_box", box(x, y, 200, 30)},
                {"is_visible", true}, {"is_enabled", true}, {"xpath", xpath}};
}

// A sign-in form: two checkboxes with labels to their right, two radios, a select, a combobox.
struct Form {
  std::vector<Record> dom, text, controls, texts;
  Form() {
    controls = {control("checkbox", "Keep me signed in", 10, 100, "/html[1]/body[1]/div[1]/input[1]"),
                control("checkbox", "Use billing address", 10, 130, "/html[1]/body[1]/div[2]/input[1]"),
                control("radio", "Standard", 10, 160, "/html[1]/body[1]/div[3]/input[1]"),
                control("radio", "Express", 10, 190, "/html[1]/body[1]/div[4]/input[1]"),
                control("select", "Vegetables", 10, 260, "/html[1]/body[1]/select[1]", "select"),
                control("combobox", "Favourite colour", 10, 330, "/html[1]/body[1]/div[6]", "div")};
    // The harvest knows the checkbox of the first row and the select, as native descriptors.
    dom = {descriptor("input", "", 10, 100, "/html[1]/body[1]/div[1]/input[1]"),
           descriptor("select", "Choose...", 10, 260, "/html[1]/body[1]/select[1]")};
    dom[0]["bounding_box"] = box(10, 100);  // the same element, so the same box
    text = {text_el("label", "Keep me signed in", 34, 98, "/html[1]/body[1]/div[1]/label[1]"),
            text_el("label", "Use billing address", 34, 128, "/html[1]/body[1]/div[2]/label[1]"),
            text_el("div", "Favourite colour", 10, 300, "/html[1]/body[1]/div[5]")};
  }
  kl::Lists lists() const { return {dom, text, controls, texts}; }
};

Record instruction(const std::string& action, const std::string& target, const std::string& value = "") {
  return Record{{"action", action}, {"target", target}, {"value", value}};
}

std::string xpath_of(const Form& f, const kl::LadderResult& r) {
  if (!r.element) return "";
  const kl::Ref& ref = *r.element;
  switch (ref.source) {
    case kl::Source::dom_elements: return f.dom[ref.index]["xpath"];
    case kl::Source::text_elements: return f.text[ref.index]["xpath"];
    case kl::Source::controls: return f.controls[ref.index]["xpath"];
    case kl::Source::texts: return f.texts[ref.index]["xpath"];
  }
  return "";
}

// Printed test names: the case's own words.
template <class C>
std::string case_name(const ::testing::TestParamInfo<C>& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* p = info.param.why; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

struct Case {
  const char* action;
  const char* target;
  const char* xpath;  // empty: nothing found
  const char* rung;
  const char* why;
};

class ElementRungs : public ::testing::TestWithParam<Case> {};

TEST_P(ElementRungs, FindTheControlATesterMeans) {
  const Case& c = GetParam();
  Form f;
  kl::LadderResult r = kl::resolve(instruction(c.action, c.target), f.lists());
  EXPECT_EQ(xpath_of(f, r), c.xpath) << c.why;
  EXPECT_EQ(r.resolved_by, c.rung) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, ElementRungs,
    ::testing::Values(
        Case{"click", "Keep me signed in", "/html[1]/body[1]/div[1]/input[1]", "label", "label for a checkbox"},
        Case{"click", "keep  me SIGNED in", "/html[1]/body[1]/div[1]/input[1]", "label", "case and blanks folded"},
        Case{"click", "Keep me signed in checkbox", "/html[1]/body[1]/div[1]/input[1]", "control-type",
             "a type word narrows by kind, the other words by name"},
        Case{"select", "Vegetables", "/html[1]/body[1]/select[1]", "label", "select named only by its label"},
        Case{"type", "Vegetables", "", "", "a select cannot be typed into"},
        Case{"click", "Favourite colour", "/html[1]/body[1]/div[6]", "label", "combobox named by aria-labelledby"},
        Case{"click", "billing", "/html[1]/body[1]/div[2]/input[1]", "label", "contained name when none is exact"},
        Case{"click", "the second radio button", "/html[1]/body[1]/div[4]/input[1]", "control-type", "ordinal over kind"},
        Case{"click", "last checkbox", "/html[1]/body[1]/div[2]/input[1]", "control-type", "last counts from the end"},
        Case{"click", "third radio", "", "", "no clamping to the last radio"},
        Case{"click", "the checkbox next to Keep me signed in", "/html[1]/body[1]/div[1]/input[1]", "control-type",
             "next to looks left of the label too"},
        Case{"click", "checkbox next to Use billing address", "/html[1]/body[1]/div[2]/input[1]", "control-type",
             "the row decides"},
        Case{"click", "the dropdown below Favourite colour", "/html[1]/body[1]/div[6]", "control-type",
             "dropdown covers role combobox"},
        Case{"click", "dropdown above Favourite colour", "/html[1]/body[1]/select[1]", "control-type",
             "a native select above"},
        Case{"click", "checkbox below Nowhere", "", "", "anchor not found"},
        Case{"click", "Place order", "", "", "no control is called that"}),
    case_name<Case>);

TEST(ElementRungs, AnswersWithTheHarvestedRecordWhenThereIsOne) {
  Form f;
  kl::LadderResult r = kl::resolve(instruction("click", "Keep me signed in"), f.lists());
  ASSERT_TRUE(r.element);
  EXPECT_EQ(r.element->source, kl::Source::dom_elements);
  r = kl::resolve(instruction("click", "Express"), f.lists());
  ASSERT_TRUE(r.element);
  EXPECT_EQ(r.element->source, kl::Source::controls) << "not harvested: the extras record itself";
}

TEST(ElementRungs, HarvestedLabelIsTheLastResort) {
  Form f;
  f.controls.clear();
  f.dom.push_back(descriptor("input", "", 10, 400, "/html[1]/body[1]/input[9]", Record{{"_label", "Door code"}}));
  kl::LadderResult r = kl::resolve(instruction("click", "Door code"), f.lists());
  EXPECT_EQ(xpath_of(f, r), "/html[1]/body[1]/input[9]");
  EXPECT_EQ(r.resolved_by, "label");
}

struct PhraseCase {
  const char* phrase;
  const char* kind;
  const char* name;
  const char* relation;
  const char* anchor;
  std::int64_t ordinal;
};

class Phrases : public ::testing::TestWithParam<PhraseCase> {};

TEST_P(Phrases, SplitOnWholeWords) {
  const PhraseCase& c = GetParam();
  auto p = kl::detail::parse_control_phrase(c.phrase);
  EXPECT_EQ(p.kind, c.kind);
  EXPECT_EQ(p.name, c.name);
  EXPECT_EQ(p.relation, c.relation);
  EXPECT_EQ(p.anchor, c.anchor);
  EXPECT_EQ(p.ordinal, c.ordinal);
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, Phrases,
    ::testing::Values(PhraseCase{"the second radio button", "radio", "", "", "", 2},
                      PhraseCase{"checkbox next to Keep me signed in", "checkbox", "", "next_to", "keep me signed in", 0},
                      PhraseCase{"the text field to the right of Name", "textbox", "", "right", "name", 0},
                      PhraseCase{"Underwear checkbox", "checkbox", "underwear", "", "", 0},
                      PhraseCase{"Linear gauge", "", "linear gauge", "", "", 0},
                      PhraseCase{"dropdown below", "select", "", "", "", 0},
                      PhraseCase{"last combo box under the Size", "select", "", "below", "size", -1}),
    [](const ::testing::TestParamInfo<PhraseCase>& info) { return "phrase" + std::to_string(info.index); });

TEST(Phrases, TypeWordsStrippedAtTheEnds) {
  EXPECT_EQ(kl::detail::strip_type_words("Keep me signed in checkbox"), "Keep me signed in");
  EXPECT_EQ(kl::detail::strip_type_words("the Express radio button"), "Express");
  EXPECT_EQ(kl::detail::strip_type_words("checkbox"), "checkbox") << "nothing left: the words as given";
}

// A Bootstrap summary row: <li><span>Total</span><strong>$42</strong></li>, and a legend.
struct Summary {
  std::vector<Record> dom, text, controls, texts;
  Summary() {
    text = {text_el("span", "Total", 10, 100, "/html[1]/body[1]/ul[1]/li[3]/span[1]", 60, 20),
            text_el("span", "Tea", 10, 70, "/html[1]/body[1]/ul[1]/li[2]/span[1]", 60, 20)};
    texts = {text_el("strong", "$42", 300, 100, "/html[1]/body[1]/ul[1]/li[3]/strong[1]", 40, 20),
             text_el("legend", "Delivery details", 10, 10, "/html[1]/body[1]/form[1]/fieldset[1]/legend[1]"),
             text_el("b", "Total", 12, 100, "/html[1]/body[1]/ul[1]/li[3]/span[1]/b[1]", 40, 20)};
  }
  kl::Lists lists() const { return {dom, text, controls, texts}; }
};

struct TextCase {
  const char* action;
  const char* target;
  const char* value;
  bool resolved;
  int verified;  // -1: no verdict
  const char* found;
  const char* why;
};

class TextRungs : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextRungs, ExtendedTextsAnswerAndAnchor) {
  const TextCase& c = GetParam();
  Summary s;
  kl::LadderResult r = kl::resolve(instruction(c.action, c.target, c.value), s.lists());
  EXPECT_EQ(r.resolved, c.resolved) << c.why;
  if (c.verified >= 0) EXPECT_EQ(r.verified.value_or(false), c.verified == 1) << c.why;
  std::string found = r.extracted ? *r.extracted : r.actual.value_or("");
  if (!found.empty() || *c.found) EXPECT_EQ(found, c.found) << c.why;
  if (r.resolved) EXPECT_EQ(r.resolved_by, "extended-text");
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, TextRungs,
    ::testing::Values(
        TextCase{"verify_spatial_text", "right of Total", "$42", true, 1, "$42", "strong beside a span"},
        TextCase{"verify_spatial_text", "right of Total", "42", true, 1, "$42", "currency sign ignored"},
        TextCase{"verify_spatial_text", "right of Total", "41", true, 0, "$42", "a different amount is a finding"},
        TextCase{"verify_spatial_text", "right of the total", "", true, 0, "$42", "empty expectation never holds"},
        TextCase{"extract_text_spatial", "next to Total", "", true, -1, "$42", "the anchor's own b is no answer"},
        TextCase{"extract_text_spatial", "left of Total", "", false, -1, "", "nothing to the left"},
        TextCase{"extract_text_spatial", "around Total", "", false, -1, "", "no direction"},
        TextCase{"extract_text_spatial", "below Delivery details", "", true, -1, "Tea", "a legend anchors"},
        TextCase{"verify_text_visible", "delivery DETAILS", "", true, 1, "", "legend text"},
        TextCase{"find_exact_text", "Delivery", "", false, -1, "", "exact means whole"},
        TextCase{"find_text", "Returns policy", "", false, -1, "", "not on the page"}),
    case_name<TextCase>);

struct KindCase {
  const char* target;
  Record element;
  bool contradicts;
};

TEST(Kinds, ATypeWordTheElementDoesNotFitIsAContradiction) {
  Record checkbox{{"tag", "input"}, {"attributes", {{"type", "checkbox"}}}};
  Record aria_radio{{"tag", "span"}, {"attributes", {{"role", "radio"}}}};
  Record text_input{{"tag", "input"}, {"attributes", Record::object()}};
  Record combobox{{"tag", "div"}, {"attributes", {{"role", "combobox"}}}};
  Record link{{"tag", "a"}, {"attributes", Record::object()}};
  const KindCase cases[] = {
      {"the second radio button", checkbox, true},
      {"the second radio button", aria_radio, false},
      {"Keep me signed in checkbox", checkbox, false},
      {"the dropdown below Colour", combobox, false},
      {"the dropdown below Colour", link, true},
      {"Email field", text_input, false},
      {"the first checkbox", text_input, true},
      {"Sign in", link, false},                          // no type word: nothing to contradict
      {"link next to the checkbox", link, false},        // a type word in the anchor names the anchor
  };
  for (const KindCase& c : cases) EXPECT_EQ(kl::contradicts_kind(c.target, c.element), c.contradicts) << c.target;
}

TEST(Retry, SkipsWhatCannotTakeTheAction) {
  std::vector<Record> candidates = {
      Record{{"tag", "span"}, {"is_editable_field", true}, {"xpath", "/a[1]"}},
      Record{{"tag", "input"}, {"attributes", {{"type", "checkbox"}}}, {"xpath", "/b[1]"}},
      Record{{"tag", "input"}, {"attributes", {{"type", "text"}}}, {"xpath", "/c[1]"}},
      Record{{"tag", "span"}, {"is_editable_field", true}, {"xpath", "/a[1]"}},
      Record{{"tag", "select"}, {"xpath", "/d[1]"}}};
  EXPECT_EQ(kl::retry_order("type", candidates, 0), (std::vector<std::size_t>{2}))
      << "a checkbox takes no text; the same element listed twice is not retried";
  EXPECT_EQ(kl::retry_order("select", candidates, 0), (std::vector<std::size_t>{4}));
  EXPECT_EQ(kl::retry_order("click", candidates, 2), (std::vector<std::size_t>{3, 4, 1}));
  EXPECT_TRUE(kl::retry_order("click", {}, 0).empty());
}

}  // namespace
