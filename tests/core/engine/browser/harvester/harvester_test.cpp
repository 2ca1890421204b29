// The core over a recording driver: the order of driver calls per element (which a
// batched driver answers from one page script, so the order is part of the contract),
// and the float text of snapshot files.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/browser/harvester/harvester.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {
namespace {

using Log = std::vector<std::string>;

std::string script_name(const std::string& script) {
  const std::map<std::string, std::string> names = {
      {scripts::tag_name, "tag"},
      {scripts::xpath, "xpath"},
      {scripts::data_attributes, "data"},
      {scripts::direct_text, "direct"},
      {scripts::preceding_sibling_label, "preceding"},
      {scripts::parent_children_label, "parent"},
      {scripts::cursor_pointer, "pointer"}};
  auto it = names.find(script);
  return it == names.end() ? "unknown script" : it->second;
}

class RecordingHandle : public ElementHandle {
 public:
  RecordingHandle(Log& log, std::string tag, bool visible, std::map<std::string, std::string> attributes)
      : log_(log), tag_(std::move(tag)), visible_(visible), attributes_(std::move(attributes)) {}
  bool is_visible() override { return note("is_visible"), visible_; }
  bool is_enabled() override { return note("is_enabled"), true; }
  std::string inner_text() override { return note("inner_text"), ""; }
  std::optional<std::string> get_attribute(const std::string& name) override {
    note("get_attribute " + name);
    auto it = attributes_.find(name);
    if (it == attributes_.end()) return std::nullopt;
    return it->second;
  }
  std::optional<Box> bounding_box() override { return note("bounding_box"), Box{0, 50, 10, 10}; }
  Record evaluate(const std::string& script) override {
    const std::string name = script_name(script);
    note("evaluate " + name);
    if (name == "tag") return tag_;
    if (name == "xpath") return "/html[1]/body[1]/" + tag_ + "[1]";
    if (name == "data") return Record::object();
    return nullptr;
  }

 private:
  void note(const std::string& call) { log_.push_back(call); }
  Log& log_;
  std::string tag_;
  bool visible_;
  std::map<std::string, std::string> attributes_;
};

class RecordingPage : public PageDriver {
 public:
  explicit RecordingPage(Log& log) : log_(log) {}
  std::vector<Handle> handles;
  std::vector<Handle> query_selector_all(const std::string& selector) override {
    log_.push_back("query_selector_all");
    return selector == INTERACTABLE_SELECTOR ? handles : std::vector<Handle>{};
  }
  Handle query_selector(const std::string& selector) override {
    log_.push_back("query_selector " + selector);
    return nullptr;
  }
  Record evaluate(const std::string& script) override {
    log_.push_back("page evaluate " + script_name(script));
    return Record::array();
  }
  std::string url() override { return "about:blank"; }

 private:
  Log& log_;
};

Log attribute_reads() {
  Log out;
  for (const auto& name : CAPTURED_ATTRIBUTES) out.push_back("get_attribute " + name);
  return out;
}

Log concat(std::initializer_list<Log> parts) {
  Log out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(HarvestCallOrder, VisibleButtonThenInvisibleLabelledInput) {
  Log log;
  RecordingPage page(log);
  page.handles = {std::make_shared<RecordingHandle>(log, "button", true, std::map<std::string, std::string>{}),
                  std::make_shared<RecordingHandle>(log, "input", false, std::map<std::string, std::string>{
                                                        {"aria-label", " "}, {"title", "Tip"}, {"id", "f"}})};
  Record elements = DOMParser(page).extract_native_elements();

  const Log button = concat({{"is_visible", "is_enabled", "evaluate tag", "inner_text",
                              "get_attribute value", "bounding_box"},
                             attribute_reads(), {"evaluate data", "evaluate xpath"}});
  const Log input = concat({{"is_visible", "is_enabled", "evaluate tag", "inner_text",
                             "get_attribute value", "bounding_box", "get_attribute aria-label",
                             "get_attribute title"},
                            attribute_reads(),
                            {"evaluate data", "evaluate xpath",
                             // the label chain, stopping at the first source that answers
                             "get_attribute aria-label", "get_attribute aria-labelledby",
                             "get_attribute id", "query_selector label[for=\"f\"]",
                             "get_attribute placeholder", "get_attribute title"}});
  EXPECT_EQ(log, concat({{"query_selector_all"}, button, input}));
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[1]["attributes"]["_label"], "Tip");
  EXPECT_EQ(elements[1]["is_visible"], false);
}

TEST(HarvestCallOrder, FullHarvestRunsTheSourcesInOrder) {
  Log log;
  RecordingPage page(log);
  auto [elements, text_elements] = DOMParser(page).extract_interactable_elements();
  EXPECT_EQ(log, (Log{"query_selector_all", "query_selector_all", "page evaluate pointer",
                      "query_selector_all", "query_selector_all"}));
  EXPECT_TRUE(elements.empty());
  EXPECT_TRUE(text_elements.empty());
}

TEST(PythonFloatRepr, MatchesPythonRepr) {
  const std::vector<std::pair<double, std::string>> table = {
      {8.0, "8.0"},
      {0.1, "0.1"},
      {-0.0, "-0.0"},
      {1e16, "1e+16"},
      {1e15, "1000000000000000.0"},
      {9999999999999998.0, "9999999999999998.0"},
      {1e-05, "1e-05"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {123.456, "123.456"},
      {1.5e300, "1.5e+300"},
      {5e-324, "5e-324"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {46.21875, "46.21875"},
      {-2.5e-07, "-2.5e-07"},
      {1234567890123456.8, "1234567890123456.8"},
  };
  for (const auto& [value, text] : table) EXPECT_EQ(python_float_repr(value), text) << text;
}

TEST(SpatialLabels, BoxWithoutANumberIsAnError) {
  Record elements = Record::parse(R"([{"attributes": {}, "bounding_box": {"x": 0, "y": 50, "height": 10}}])");
  Record candidates = Record::parse(R"([{"text": "T", "bounding_box": {"x": 0, "y": 0, "width": 5, "height": 5}}])");
  EXPECT_THROW(assign_spatial_labels(elements, candidates), std::invalid_argument);
}

}  // namespace
}  // namespace kelvo::harvester
