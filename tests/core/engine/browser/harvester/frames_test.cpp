// Frames and shadow roots in one harvest: how a document's records are placed in the top
// page, and a harvest over frames that can and cannot be read.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/browser/harvester/harvester.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {
namespace {

struct PlaceCase {
  const char* records;
  FramePlace place;
  const char* expected;
  const char* why;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.why; }

class PlaceRecords : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceRecords, MovesBoxesAndAddresses) {
  Record records = Record::parse(GetParam().records);
  place_records(records, GetParam().place);
  EXPECT_EQ(records.dump(), Record::parse(GetParam().expected).dump()) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlaceRecords,
    ::testing::Values(
        PlaceCase{R"([{"bounding_box": {"x": 1.5, "y": 2}, "xpath": "/html[1]/body[1]/a[1]"}])", {},
                  R"([{"bounding_box": {"x": 1.5, "y": 2}, "xpath": "/html[1]/body[1]/a[1]"}])",
                  "the top document's light tree stays as it was, number kinds included"},
        PlaceCase{R"([{"xpath": "/html[1]/body[1]/x-a[1]/#shadow-root/b[1]"}])", {},
                  R"([{"xpath": "/html[1]/body[1]/x-a[1]/#shadow-root/b[1]",
                       "address": ["/html[1]/body[1]/x-a[1]/#shadow-root/b[1]"]}])",
                  "a shadow element of the top document: its path is its address"},
        PlaceCase{R"([{"bounding_box": {"x": 8.0, "y": 3, "width": 5}, "xpath": "/html[1]/body[1]/b[1]",
                       "is_visible": true}])",
                  {10.5, 20, {"/html[1]/body[1]/iframe[2]"}},
                  R"([{"bounding_box": {"x": 18.5, "y": 23, "width": 5}, "xpath":
                       "/html[1]/body[1]/iframe[2]/#document/html[1]/body[1]/b[1]", "is_visible": true,
                       "address": ["/html[1]/body[1]/iframe[2]", "/html[1]/body[1]/b[1]"]}])",
                  "a frame's element: offset added, joined path, address last"},
        PlaceCase{R"([{"bounding_box": {"x": 4, "y": 7}, "xpath": "/p[1]"}])", {10, 20, {"/f[1]", "/g[1]"}},
                  R"([{"bounding_box": {"x": 14, "y": 27}, "xpath": "/f[1]/#document/g[1]/#document/p[1]",
                       "address": ["/f[1]", "/g[1]", "/p[1]"]}])",
                  "nested frames; a whole-pixel box moved by whole pixels stays whole"}));

TEST(FrameNotes, SayWhatCouldNotBeRead) {
  EXPECT_EQ(unread_frames_note({}), "");
  EXPECT_EQ(unread_frames_note({"http://b/: gone"}), "1 frame could not be read: http://b/: gone");
  EXPECT_EQ(unread_frames_note({"a: x", "b: y"}), "2 frames could not be read: a: x; b: y");
  EXPECT_EQ(closed_roots_note({"x-a"}), "<x-a> keeps its content in a closed shadow root, which cannot be read");
  EXPECT_EQ(closed_roots_note({"x-a", "x-b"}),
            "<x-a>, <x-b> keep their content in a closed shadow root, which cannot be read");
}

// A button with a box and a path, answering only what a native harvest asks.
class Button : public ElementHandle {
 public:
  Button(std::string text, Box box) : text_(std::move(text)), box_(box) {}
  bool is_visible() override { return true; }
  bool is_enabled() override { return true; }
  std::string inner_text() override { return text_; }
  std::optional<std::string> get_attribute(const std::string&) override { return std::nullopt; }
  std::optional<Box> bounding_box() override { return box_; }
  Record evaluate(const std::string& script) override {
    if (script == scripts::tag_name) return "button";
    if (script == scripts::xpath) return "/html[1]/body[1]/button[1]";
    return Record::object();
  }

 private:
  std::string text_;
  Box box_;
};

// A browser document with one button, its frames, and optionally a failing harvest.
class Document : public PageDriver {
 public:
  Document(std::string url, std::string button, bool fails = false) : url_(std::move(url)), fails_(fails) {
    if (!button.empty()) button_ = std::make_shared<Button>(button, Box{5, 5, 40, 20});
  }
  std::vector<Handle> query_selector_all(const std::string& selector) override {
    if (fails_) throw DriverError("Execution context was destroyed");
    if (selector == INTERACTABLE_SELECTOR && button_) return {button_};
    return {};
  }
  Handle query_selector(const std::string&) override { return nullptr; }
  Record evaluate(const std::string& script) override {
    if (script == scripts::closed_roots && url_ == "http://b/") return Record::parse(R"(["x-vault"])");
    return Record::array();
  }
  std::string url() override { return url_; }
  bool browses() override { return true; }
  std::vector<ChildFrame> child_frames() override { return frames; }
  std::vector<ChildFrame> frames;

 private:
  std::string url_;
  bool fails_;
  Handle button_;
};

TEST(FramedHarvest, ReadsEveryFrameItCanAndNotesTheRest) {
  Document top("http://a/", "Top");
  auto inner = std::make_shared<Document>("http://b/", "Inner");
  auto nested = std::make_shared<Document>("http://c/", "Nested");
  inner->frames = {ChildFrame{nested, "http://c/", "", 1, 2, "/html[1]/body[1]/iframe[1]"}};
  top.frames = {ChildFrame{inner, "http://b/", "", 100, 200, "/html[1]/body[1]/iframe[1]"},
                ChildFrame{nullptr, "http://gone/", "Frame was detached", 0, 0, ""},
                ChildFrame{std::make_shared<Document>("http://moving/", "", true), "http://moving/", "", 0, 0,
                           "/html[1]/body[1]/iframe[3]"}};
  DOMParser parser(top);
  auto [elements, texts] = parser.extract_interactable_elements();
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[0]["text"], "Top");
  EXPECT_FALSE(elements[0].contains("address"));
  EXPECT_EQ(elements[1]["bounding_box"]["x"], 105.0);
  EXPECT_EQ(elements[2]["text"], "Nested");
  EXPECT_EQ(elements[2]["bounding_box"]["y"], 207.0) << "offsets summed down the chain";
  EXPECT_EQ(elements[2]["address"].size(), 3u);
  EXPECT_EQ(parser.notes(), (std::vector<std::string>{
                                "2 frames could not be read: http://gone/: Frame was detached; "
                                "http://moving/: Execution context was destroyed",
                                "<x-vault> keeps its content in a closed shadow root, which cannot be read "
                                "(in the frame http://b/)"}));
}

}  // namespace
}  // namespace kelvo::harvester
