// Spatial labels over pre-read candidate numbers give the labels of the plain rule.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "engine/browser/harvester/field_labels.h"

using namespace kelvo;
using namespace kelvo::harvester;

namespace {

Record box(double x, double y, double w, double h) {
  Record b = Record::object();
  b["x"] = x, b["y"] = y, b["width"] = w, b["height"] = h;
  return b;
}

// The rule restated: nearest candidate entirely above with horizontal overlap, ties to
// the earlier candidate, only for elements without a label.
std::string expected_label(const Record& element, const Record& candidates) {
  const Record& b = element["bounding_box"];
  double best = std::numeric_limits<double>::infinity();
  std::string text;
  for (const Record& c : candidates) {
    const Record& cb = c["bounding_box"];
    const double bottom = cb["y"].get<double>() + cb["height"].get<double>();
    const double x = cb["x"].get<double>();
    if (bottom > b["y"].get<double>()) continue;
    if (x > b["x"].get<double>() + b["width"].get<double>() || x + cb["width"].get<double>() < b["x"].get<double>()) continue;
    if (b["y"].get<double>() - bottom < best) best = b["y"].get<double>() - bottom, text = c["text"].get<std::string>();
  }
  return text;
}

}  // namespace

TEST(BatchedSpatialLabels, SameLabelsAsThePlainRuleOnRandomLayouts) {
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    Record candidates = Record::array(), elements = Record::array();
    auto coordinate = [&] { return static_cast<double>(random() % 20) * 10 + (random() % 4 == 0 ? 0.25 : 0); };
    for (int k = 0; k < 15; ++k) {
      Record c = Record::object();
      c["text"] = "label " + std::to_string(k % 7);
      c["bounding_box"] = box(coordinate(), coordinate(), coordinate(), static_cast<double>(random() % 40));
      if (random() % 5 == 0) c["bounding_box"]["y"] = static_cast<std::int64_t>(random() % 200);  // ints too
      candidates.push_back(c);
    }
    for (int k = 0; k < 15; ++k) {
      Record e = Record::object();
      e["attributes"] = Record::object();
      if (random() % 6 == 0) e["attributes"]["_label"] = "own";
      e["bounding_box"] = box(coordinate(), coordinate(), coordinate(), 10);
      elements.push_back(e);
    }
    Record labelled = elements;
    assign_spatial_labels(labelled, candidates);
    for (std::size_t i = 0; i < elements.size(); ++i) {
      const std::string own = get_string(elements[i]["attributes"], "_label");
      const std::string want = own.empty() ? expected_label(elements[i], candidates) : own;
      EXPECT_EQ(get_string(labelled[i]["attributes"], "_label"), want) << "round " << round << " element " << i;
    }
  }
}

// Awkward numbers: distances that round to the same value (the earlier candidate must
// still win), infinities and NaN anywhere in a box.
TEST(BatchedSpatialLabels, SameLabelsAsThePlainRuleOnAwkwardNumbers) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> values = {0, 1, 2, 10, 1e16, -1e16, inf, -inf, nan};
  std::mt19937 random(11);
  auto pick = [&] { return values[random() % values.size()]; };
  for (int round = 0; round < 300; ++round) {
    Record candidates = Record::array(), elements = Record::array();
    for (int k = 0; k < 8; ++k) {
      Record c = Record::object();
      c["text"] = "label " + std::to_string(k);
      c["bounding_box"] = box(pick(), pick(), random() % 2 ? 10.0 : pick(), random() % 2 ? 1.0 : pick());
      candidates.push_back(c);
    }
    for (int k = 0; k < 8; ++k) {
      Record e = Record::object();
      e["attributes"] = Record::object();
      e["bounding_box"] = box(pick(), random() % 3 ? 1e16 + 2 : pick(), random() % 2 ? 10.0 : pick(), 1);
      elements.push_back(e);
    }
    Record labelled = elements;
    assign_spatial_labels(labelled, candidates);
    for (std::size_t i = 0; i < elements.size(); ++i) {
      EXPECT_EQ(get_string(labelled[i]["attributes"], "_label"), expected_label(elements[i], candidates))
          << "round " << round << " element " << i;
    }
  }
}

TEST(BatchedSpatialLabels, MalformedCandidateStillFailsWhenReached) {
  Record elements = Record::parse(R"([{"attributes": {}, "bounding_box": {"x": 0, "y": 50, "width": 10, "height": 10}}])");
  Record candidates = Record::parse(R"([{"text": "A", "bounding_box": {"x": 0, "y": 0, "width": 10}}])");
  EXPECT_THROW(assign_spatial_labels(elements, candidates), std::invalid_argument);
  Record labelled = Record::parse(R"([{"attributes": {"_label": "kept"}, "bounding_box": {"x": 0, "y": 50, "width": 10, "height": 10}}])");
  EXPECT_NO_THROW(assign_spatial_labels(labelled, candidates));  // never reached
}
