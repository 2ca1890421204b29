#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/spatial/cartographer/cartographer.h"

using kelvo::Record;
using namespace kelvo::cartographer;

namespace {

Record box(Record x, Record y, Record w = 10, Record h = 10) {
  return Record{{"x", x}, {"y", y}, {"width", w}, {"height", h}};
}

Record descriptor(const std::string& tag, Record bb, Record attributes = Record::object(),
                  const std::string& text = "") {
  return Record{{"tag", tag}, {"text", text}, {"attributes", attributes}, {"bounding_box", bb},
                {"is_visible", true}, {"is_enabled", true}, {"xpath", "/html[1]"}};
}

Record text_element(const std::string& text, Record bb) {
  return Record{{"tag", "h2"}, {"text", text}, {"has_direct_text", true},
                {"attributes", Record::object()}, {"bounding_box", bb}};
}

std::vector<std::string> texts_of(const std::vector<Record>& matrix) {
  std::vector<std::string> out;
  for (const auto& e : matrix) out.push_back(e["text"]);
  return out;
}

}  // namespace

TEST(ElementType, RoleThenInputTypeThenTagTable) {
  struct Case { const char* tag; const char* role; const char* type; const char* expected; const char* why; };
  const Case cases[] = {
      {"textarea", "", "", "input", "textarea is typed into like an input"},
      {"a", "", "", "link", "tag table"},
      {"input", "", "reset", "button", "reset input acts as a button"},
      {"input", "", "submit", "button", "submit input acts as a button"},
      {"input", "", "checkbox", "input", "other input types stay inputs"},
      {"div", "button", "", "button", "ARIA role wins over the tag"},
      {"div", "Button", "", "div", "roles compare case-sensitively"},
      {"span", "", "", "span", "unknown tags pass through"},
      {"input", "combobox", "", "combobox", "combobox role is not mapped to select"},
      {"input", "textbox", "", "textbox", "textbox role is not mapped to input"},
      {"button", "menuitem", "", "button", "non-interactive roles fall back to the tag"},
      {"", "", "", "", "no tag gives the empty type"},
  };
  for (const auto& c : cases) {
    Record attributes = Record::object();
    if (*c.role) attributes["role"] = c.role;
    if (*c.type) attributes["type"] = c.type;
    EXPECT_EQ(element_type(Record{{"tag", c.tag}, {"attributes", attributes}}), c.expected) << c.why;
  }
  EXPECT_EQ(element_type(Record{{"tag", "select"}}), "select") << "missing attributes count as empty";
}

TEST(Searchable, JoinsNonEmptySurfacesInOrder) {
  struct Case { Record element; const char* expected; const char* why; };
  const Case cases[] = {
      {{{"text", "Sign in"}, {"attributes", {{"aria-label", "Sign in"}, {"name", "login"}}}},
       "Sign in Sign in login", "duplicates are kept"},
      {{{"text", ""}, {"attributes", Record::object()}}, "", "nothing readable"},
      {{{"attributes", {{"placeholder", "Email"}, {"_label", "Your email"}}}},
       "Your email Email", "label comes before placeholder whatever the key order"},
      {{{"text", " Go "}, {"attributes", {{"name", "q "}}}}, "Go  q", "only the ends of the whole are trimmed"},
      {{{"text", "Pay"}, {"attributes", {{"title", "ignored"}, {"id", "pay"}}}}, "Pay", "other attributes are not surfaces"},
  };
  for (const auto& c : cases) EXPECT_EQ(searchable(c.element), c.expected) << c.why;
}

TEST(Position, KeepsNumberKindsAndCentreIsFloat) {
  const Record ints = position(box(10, 20, 30, 40));
  EXPECT_EQ(ints.dump(), R"({"x":10,"y":20,"w":30,"h":40,"cx":25.0,"cy":40.0,"x2":40,"y2":60})");
  const Record mixed = position(box(10.5, 20, 3, 1.5));
  EXPECT_TRUE(mixed["x2"].is_number_float());
  EXPECT_DOUBLE_EQ(mixed["x2"].get<double>(), 13.5);
  EXPECT_TRUE(mixed["y2"].is_number_float()) << "int + float is a float";
  EXPECT_EQ(position(Record::object()).dump(), R"({"x":0,"y":0,"w":0,"h":0,"cx":0.0,"cy":0.0,"x2":0,"y2":0})");
  EXPECT_EQ(position(Record{{"x", 7}}).dump(), R"({"x":7,"y":0,"w":0,"h":0,"cx":7.0,"cy":0.0,"x2":7,"y2":0})");
}

TEST(Build, SkipsUnusableBoxesWithoutGaps) {
  std::vector<Record> dom = {descriptor("button", box(0, 0), {}, "A")};
  Record no_box = descriptor("button", box(0, 0), {}, "absent");
  no_box.erase("bounding_box");
  dom.push_back(no_box);
  dom.push_back(descriptor("button", nullptr, {}, "null"));
  dom.push_back(descriptor("button", Record::object(), {}, "empty"));
  dom.push_back(descriptor("button", box(0, 50), {}, "B"));
  const auto matrix = MatrixBuilder(dom).build_records();
  ASSERT_EQ(texts_of(matrix), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(matrix[1]["index"], 1);
  EXPECT_TRUE(MatrixBuilder({}, {}).build().empty());
}

TEST(Build, ReadingOrderIsRawTopThenLeftAndStable) {
  const std::vector<Record> dom = {
      descriptor("button", box(500, 100), {}, "far right, one pixel higher"),
      descriptor("button", box(0, 101), {}, "left, one pixel lower"),
      descriptor("a", box(5, 5), {}, "first tie"),
      descriptor("a", box(5, 5), {}, "second tie"),
  };
  const std::vector<Record> texts = {text_element("text tie", box(5, 5)), text_element("top", box(9, 0))};
  EXPECT_EQ(texts_of(MatrixBuilder(dom, texts).build_records()),
            (std::vector<std::string>{"top", "first tie", "second tie", "text tie",
                                      "far right, one pixel higher", "left, one pixel lower"}));
}

TEST(Build, OrdinalsCountPerTypeInReadingOrder) {
  std::vector<Record> dom;
  const char* tags[] = {"button", "a", "button", "div", "div", "button"};
  for (int i = 0; i < 6; ++i) dom.push_back(descriptor(tags[i], box(0, i * 10)));
  std::vector<std::int64_t> ordinals;
  for (const auto& e : MatrixBuilder(dom).build()) ordinals.push_back(e.order_in_type);
  EXPECT_EQ(ordinals, (std::vector<std::int64_t>{1, 1, 2, 1, 2, 3}));
}

TEST(Build, TextElementsAreAnchorOnly) {
  Record text = text_element("Total", box(1, 2));
  text["tag"] = "button";
  text["attributes"] = Record{{"role", "button"}, {"aria-label", "ignored"}, {"_label", "Sum"}};
  text["is_enabled"] = false;
  const auto matrix = MatrixBuilder({}, {text}).build_records();
  ASSERT_EQ(matrix.size(), 1u);
  const Record& e = matrix[0];
  EXPECT_EQ(e["element_type"], "text");
  EXPECT_EQ(e["is_enabled"], true);
  EXPECT_EQ(e["is_anchor_only"], true);
  EXPECT_EQ(e["searchable"], "Total");
  EXPECT_EQ(e["label"], "Sum");
  EXPECT_EQ(e["order_in_type"], 1);
}

TEST(Build, EntryHasElevenKeysInOrderAndSourceRecord) {
  Record d = descriptor("input", box(1, 2, 3, 4), {{"_label", "Email"}, {"type", "email"}}, "");
  d.erase("is_enabled");
  MatrixBuilder builder(std::vector<Record>{d});
  const auto entries = builder.build();
  const Record e = to_record(entries[0], builder.source_of(entries[0]));
  std::vector<std::string> keys;
  for (auto it = e.begin(); it != e.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"index", "tag", "element_type", "text", "label", "searchable",
                                            "is_enabled", "is_anchor_only", "order_in_type", "position",
                                            "element"}));
  EXPECT_EQ(e["is_enabled"], true) << "missing is_enabled reads as true";
  EXPECT_EQ(e["label"], "Email");
  EXPECT_EQ(e["element"], d);
  EXPECT_EQ(builder.build_records(), builder.build_records()) << "every build gives equal content";
}

TEST(Build, WrongKindsNameTheRecord) {
  struct Case { Record element; const char* message; };
  const Case cases[] = {
      {Record{{"text", 5}, {"bounding_box", box(0, 0)}}, "dom_elements[0]: 'text' must be a str, not int"},
      {Record{{"bounding_box", box("1", 0)}}, "dom_elements[0]: 'x' must be a number, not str"},
      {Record{{"bounding_box", Record::array({1})}}, "dom_elements[0]: 'bounding_box' must be a dict, not list"},
      {Record{{"attributes", "x"}, {"bounding_box", box(0, 0)}}, "dom_elements[0]: 'attributes' must be a dict, not str"},
      {Record("button"), "dom_elements[0]: must be a dict, not str"},
      {Record{{"bounding_box", box(std::numeric_limits<std::int64_t>::max(), 0, 1, 1)}},
       "dom_elements[0]: 'x' + 'width' is out of the 64-bit range"},
  };
  for (const auto& c : cases) {
    try {
      MatrixBuilder(std::vector<Record>{c.element}).build();
      ADD_FAILURE() << "no error for " << c.element.dump();
    } catch (const RecordKindError& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST(Build, NaNCoordinatesSortLastInsteadOfBreakingTheSort) {
  std::vector<Record> dom;
  for (int i = 0; i < 40; ++i) {
    dom.push_back(descriptor("button", box(0, i % 3 ? Record(i) : Record(std::nan("")))));
  }
  const auto matrix = MatrixBuilder(dom).build();
  ASSERT_EQ(matrix.size(), 40u);
  for (std::size_t i = 0; i + 1 < matrix.size(); ++i) {
    const double a = matrix[i].position["y"].get<double>(), b = matrix[i + 1].position["y"].get<double>();
    EXPECT_TRUE(a <= b || std::isnan(b)) << "at " << i;
  }
}
