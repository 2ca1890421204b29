#include <gtest/gtest.h>

#include <optional>

#include "engine/strategies/matcher/records.h"

using namespace matcher_test;
namespace km = kelvo::matcher;

namespace {

std::string path(const char* tail) { return std::string("/html[1]/body[1]/div[1]/") + tail; }

// A label "Total" at (100,100) 50x20 (centre 125,110), and one text on each side of it.
Elements layout() {
  return {
      text_at("span", "Total", box(100, 100, 50, 20), path("span[1]")),         // 0 anchor
      text_at("span", "42", box(110, 140, 30, 20), path("span[2]")),            // 1 below, 40
      text_at("span", "99", box(110, 200, 30, 20), path("span[3]")),            // 2 below, 100
      text_at("td", "$1,200.00", box(200, 100, 60, 20), path("span[4]")),       // 3 right
      text_at("label", "Label", box(20, 105, 40, 10), path("label[1]")),        // 4 left
      text_at("h2", "Header", box(100, 50, 50, 20), path("h2[1]")),             // 5 above
  };
}

Elements with(Elements base, Record extra) {
  base.push_back(std::move(extra));
  return base;
}

Elements only_anchor() { return {layout()[0]}; }

// A span under `divs` nested divs of the body.
std::string nested(int divs) {
  std::string out = "/html[1]/body[1]";
  for (int i = 0; i < divs; ++i) out += "/div[1]";
  return out + "/span[1]";
}

// A label directly in the body, so a span under n divs lies n + 2 tree steps away.
Record body_label() { return text_at("span", "Total", box(100, 100, 50, 20), "/html[1]/body[1]/span[1]"); }

}  // namespace

struct SpatialCase {
  const char* target;
  const char* expected;
  Elements text;
  Elements dom;
  bool resolved;
  bool verified;
  std::optional<ElementRef> element;
  std::optional<std::string> actual;
  std::vector<long> candidates;
  const char* why;
};

void PrintTo(const SpatialCase& c, std::ostream* os) { *os << c.why; }

class SpatialVerification : public testing::TestWithParam<SpatialCase> {};

TEST_P(SpatialVerification, ReadsTextBesideTheLabel) {
  const auto& c = GetParam();
  auto r = km::DOMStrategy().resolve_verify_spatial_text(c.target, c.expected, c.text, &c.dom);
  EXPECT_EQ(r.resolved, c.resolved) << c.why;
  EXPECT_EQ(r.verified, c.verified) << c.why;
  EXPECT_EQ(r.element, c.element) << c.why;
  EXPECT_EQ(r.state["expected"], c.expected) << c.why;
  if (c.actual) {
    EXPECT_EQ(r.state.value("actual", "<absent>"), *c.actual) << c.why;
  } else {
    EXPECT_FALSE(r.state.contains("actual")) << c.why;
  }
  EXPECT_EQ(candidates(r), c.candidates) << c.why;
}

const auto T = Source::text_elements;

INSTANTIATE_TEST_SUITE_P(
    Table, SpatialVerification,
    testing::Values(
        SpatialCase{"below Total", "42", layout(), {}, true, true, ElementRef{T, 1}, "42", {1, 2},
                    "nearest below first"},
        SpatialCase{"under the Total", "42", layout(), {}, true, true, ElementRef{T, 1}, "42", {1, 2},
                    "under and an article"},
        SpatialCase{"below The Total", "42", layout(), {}, true, true, ElementRef{T, 1}, "42", {1, 2},
                    "article test ignores case"},
        SpatialCase{"below the  Total", "42", layout(), {}, false, false, std::nullopt,
                    "anchor ' Total' not found", {}, "a second blank stays in the anchor"},
        SpatialCase{"right of Total", "1200", layout(), {}, true, true, ElementRef{T, 3},
                    "$1,200.00", {3}, "currency and separators normalised"},
        SpatialCase{"NEXT TO total", "1,200.00", layout(), {}, true, true, ElementRef{T, 3},
                    "$1,200.00", {3}, "next to is right of"},
        SpatialCase{"right  of Total", "x", layout(), {}, false, false, std::nullopt, std::nullopt,
                    {}, "two blanks: no direction"},
        SpatialCase{"near Total", "5", layout(), {}, false, false, std::nullopt, std::nullopt, {},
                    "near names no direction"},
        SpatialCase{"below the", "5", layout(), {}, false, false, std::nullopt,
                    "anchor 'the' not found", {}, "a lone article is the anchor"},
        SpatialCase{"left of Total", "label", layout(), {}, true, true, ElementRef{T, 4}, "Label",
                    {4}, "left"},
        SpatialCase{"above Total", "head", layout(), {}, true, true, ElementRef{T, 5}, "Header", {5},
                    "above; actual contains expected"},
        SpatialCase{"below Total", "42 items in total", layout(), {}, true, true, ElementRef{T, 1},
                    "42", {1, 2}, "expected contains actual"},
        SpatialCase{"below Total", "", layout(), {}, true, false, ElementRef{T, 1}, "42", {1, 2},
                    "empty expectation never verifies"},
        SpatialCase{"below Total", "43", layout(), {}, true, false, ElementRef{T, 1}, "42", {1, 2},
                    "different value"},
        SpatialCase{"right of Total", "5",
                    {layout()[0], text_at("span", " € ", box(200, 100, 20, 20), path("span[9]"))},
                    {}, true, false, ElementRef{T, 1}, "€", {1},
                    "a text that normalises to nothing proves nothing"},
        SpatialCase{"right of Total", "5", only_anchor(), {}, true, false, ElementRef{T, 0},
                    "no element right of 'Total'", {}, "nothing in the direction"},
        SpatialCase{"below Total", "42",
                    {text_at("h3", "Total\nincl. tax", box(100, 100, 50, 20), path("h3[1]")),
                     layout()[1]},
                    {}, true, true, ElementRef{T, 1}, "42", {1}, "first line of a text names it"},
        SpatialCase{"below Total", "42", {layout()[1]},
                    {control("button", "Total\nnow", 100, 100)}, false, false, std::nullopt,
                    "anchor 'Total' not found", {}, "interactable text must match whole"},
        SpatialCase{"below Total", "7", {text_at("span", "7", box(110, 140, 30, 20), nested(9))},
                    {control("button", "Total", 100, 100)}, true, true, ElementRef{T, 0}, "7", {0},
                    "anchor among controls: no tree-distance limit"},
        SpatialCase{"below Total", "7",
                    {body_label(), text_at("span", "7", box(110, 140, 30, 20), nested(9))}, {},
                    true, false, ElementRef{T, 0}, "no element below of 'Total'", {},
                    "text anchor: text 11 tree steps away is ignored"},
        SpatialCase{"below Total", "7",
                    {body_label(), text_at("span", "7", box(110, 140, 30, 20), nested(8))}, {},
                    true, true, ElementRef{T, 1}, "7", {1}, "exactly 10 steps is near enough"},
        SpatialCase{"below Total", "42",
                    {text_at("button", "Total", box(100, 100, 50, 20), path("button[1]")),
                     text_at("button", "42", box(110, 140, 30, 20), path("button[2]")),
                     layout()[1]},
                    {}, true, true, ElementRef{T, 2}, "42", {2}, "buttons anchor but are never read"},
        SpatialCase{"right of Total", "edge",
                    {layout()[0], text_at("span", "edge", box(200, 90, 20, 20), path("span[7]")),
                     text_at("span", "centre", box(115, 105, 20, 10), path("span[8]"))},
                    {}, true, true, ElementRef{T, 1}, "edge", {1},
                    "centre on the top edge counts; same column is not right"},
        SpatialCase{"below Total", "42",
                    with(layout(), text_at("p", "Total", box(0, 300, 400, 40), path("p[1]"))), {},
                    true, true, ElementRef{T, 1}, "42", {1, 2}, "smallest anchor wins"},
        SpatialCase{"below Total", "42", layout(), {control("button", "Total", 500, 500)}, true,
                    true, ElementRef{T, 1}, "42", {1, 2}, "text anchors come before controls"},
        SpatialCase{"below total", "42", {layout()[1]},
                    {control("button", "", 100, 100, true,
                             Record::parse(R"({"aria-label": " TOTAL "})"))},
                    true, true, ElementRef{T, 0}, "42", {0}, "aria-label as last resort"},
        SpatialCase{"below Prix\u00a0total", "12,00 €",
                    {text_at("th", "PRIX\u00a0TOTAL", box(100, 100, 50, 20), path("th[1]")),
                     text_at("td", "12,00\u00a0€", box(100, 140, 50, 20), path("td[1]"))},
                    {}, true, true, ElementRef{T, 1}, "12,00\u00a0€", {1},
                    "non-breaking spaces and accents in page text"}));

TEST(SpatialExtraction, ReadsOnlyWhatLiesInTheDirection) {
  km::DOMStrategy s;
  auto r = s.resolve_extract_spatial_text("below Total", layout(), nullptr);
  EXPECT_TRUE(r.resolved);
  EXPECT_EQ(r.shape, km::Shape::extraction);
  EXPECT_EQ(r.extracted, "42");
  EXPECT_EQ(candidates(r), (std::vector<long>{1, 2}));

  // The label's own text is not a value read below it.
  r = s.resolve_extract_spatial_text("below Total", only_anchor(), nullptr);
  EXPECT_FALSE(r.resolved);
  EXPECT_EQ(r.extracted, "");
  EXPECT_FALSE(r.element.has_value());
  EXPECT_TRUE(r.candidates.empty());

  r = s.resolve_extract_spatial_text("near Total", layout(), nullptr);
  EXPECT_FALSE(r.resolved);
}

TEST(SpatialExtraction, UnmeasurableBoxesAreReported) {
  Elements texts = layout();
  texts[1]["bounding_box"].erase("height");
  try {
    km::DOMStrategy().resolve_verify_spatial_text("below Total", "42", texts, nullptr);
    FAIL();
  } catch (const km::MeasureError& e) {
    EXPECT_TRUE(e.missing);
    EXPECT_STREQ(e.what(), "text_elements[1]['bounding_box']['height'] is missing");
  }
  texts = layout();
  texts[0]["bounding_box"]["width"] = "50";
  EXPECT_THROW(km::DOMStrategy().resolve_verify_spatial_text("below Total", "42", texts, nullptr),
               km::MeasureError);
}

TEST(SpatialExtraction, DispatchedFromResolve) {
  Record i = Record::parse(R"({"action": "verify_spatial_text", "target": "below Total",
                               "value": "42", "_literal_target": false})");
  Elements texts = layout();
  auto r = km::DOMStrategy().resolve(i, {}, &texts);
  EXPECT_TRUE(r.verified.get<bool>());
  i = Record::parse(R"({"action": "extract_text_spatial", "target": "right of Total"})");
  r = km::DOMStrategy().resolve(i, {}, &texts);
  EXPECT_EQ(r.extracted, "$1,200.00");
  // Without text elements there is nothing to read.
  r = km::DOMStrategy().resolve(i, {}, nullptr);
  EXPECT_FALSE(r.resolved);
}
