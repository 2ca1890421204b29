// BatchedDriver over a scripted live driver: answers come from the one batch call, and
// whatever the batch leaves open is asked live, of the same node.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "engine/browser/harvester/batched_driver.h"

using namespace kelvo;
using namespace kelvo::harvester;

namespace {

struct Calls {
  std::vector<std::string> log;
};

// A live element: answers every question from its own record and logs each call.
class FakeElement : public ElementHandle {
 public:
  FakeElement(Calls& calls, std::string name) : calls_(calls), name_(std::move(name)) {}
  bool is_visible() override { return note("is_visible"), true; }
  bool is_enabled() override { return note("is_enabled"), true; }
  std::string inner_text() override { return note("inner_text"), "live " + name_; }
  std::optional<std::string> get_attribute(const std::string& n) override {
    note("get_attribute " + n);
    return "live " + n;
  }
  std::optional<Box> bounding_box() override { return note("bounding_box"), Box{1, 2, 3, 4}; }
  Record evaluate(const std::string& script) override {
    note("evaluate " + script);
    return "live " + script + " on " + name_;
  }

 private:
  void note(const std::string& what) { calls_.log.push_back(name_ + ": " + what); }
  Calls& calls_;
  std::string name_;
};

class FakePage : public PageDriver {
 public:
  explicit FakePage(Calls& calls) : calls_(calls) {}
  std::function<Record()> batch = [] { return Record(nullptr); };
  std::map<std::string, std::vector<std::string>> elements;  // selector -> element names

  std::vector<Handle> query_selector_all(const std::string& selector) override {
    calls_.log.push_back("page: query_selector_all " + selector);
    std::vector<Handle> out;
    for (const auto& name : elements[selector]) out.push_back(std::make_shared<FakeElement>(calls_, name));
    return out;
  }
  Handle query_selector(const std::string& selector) override {
    calls_.log.push_back("page: query_selector " + selector);
    auto& names = elements[selector];
    return names.empty() ? nullptr : std::make_shared<FakeElement>(calls_, names.front());
  }
  Record evaluate(const std::string& script) override {
    // Asking for the installed model answers the batch once the model was sent; before,
    // it answers null and is not logged.
    if (script.rfind("() => { const model = window[", 0) == 0) {
      if (!installed) return Record(nullptr);
      calls_.log.push_back("page: batch (asked)");
      return batch();
    }
    if (script.rfind("() => (", 0) == 0) {
      calls_.log.push_back("page: batch");
      installed = true;
      return batch();
    }
    calls_.log.push_back("page: evaluate " + script);
    return "live page " + script;
  }
  std::string url() override { return calls_.log.push_back("page: url"), "http://x/"; }
  bool installed = false;

 private:
  Calls& calls_;
};

BatchPlan plan() {
  BatchPlan p;
  p.selectors = {"button", "div"};
  p.attributes = {"id", "title"};
  p.element_scripts = {{"el => el.id", {{0, std::nullopt}}, ""}};
  p.lookups = {{"aria-labelledby", "#", "", {{0, std::nullopt}}}};
  p.enabled_on = {0, 1};
  p.details = {{0, std::nullopt}, {1, std::nullopt}};
  p.page_scripts = {{"() => 42", ""}};
  return p;
}

// Two buttons (nodes 0 and 1), one div (node 2) and a label found by lookup (node 3),
// in the batch's columns.
Record batch_answer() {
  return Record::parse(R"({
    "queries": [[0, 1], [2]],
    "lookups": {"#name": 3, "#gone": -1, "#1bad": {"e": "not a valid selector"}},
    "visible": [true, false, true, true],
    "enabled": [true, {"e": "Element is not attached to the DOM"}, false, true],
    "texts": ["Save", 0, {"e": "Node is not an HTMLElement"}, "Name"],
    "boxes": [[1.5, 2, 30, 10], null, {"e": "gone"}, [0, 0, 5, 5]],
    "attributes": [["id", "save", "title", ""], ["id", 0], [], []],
    "scripts": [["save", {"e": "boom"}, 0, 0]],
    "page": [[{"n": 42, "m": -3, "f": 1.5, "e": 1e300, "list": [true, null, "x\u00e9\n"]}]]
  })").dump();
}

struct BatchedDriverTest : ::testing::Test {
  Calls calls;
  FakePage page{calls};
  BatchedDriver driver{page, plan()};
  void SetUp() override {
    page.batch = [] { return batch_answer(); };
    page.elements = {{"button", {"b0", "b1"}}, {"div", {"d0"}}, {"#name", {"label"}}, {"span", {"s0"}}};
  }
};

}  // namespace

TEST_F(BatchedDriverTest, AnswersAWholeHarvestFromOneCall) {
  auto buttons = driver.query_selector_all("button");
  ASSERT_EQ(buttons.size(), 2u);
  auto& save = *buttons[0];
  EXPECT_TRUE(save.is_visible());
  EXPECT_TRUE(save.is_enabled());
  EXPECT_EQ(save.inner_text(), "Save");
  EXPECT_EQ(save.get_attribute("id"), "save");
  EXPECT_EQ(save.get_attribute("title"), "");  // present without a value
  auto box = save.bounding_box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->x, 1.5);
  EXPECT_EQ(box->height, 10);
  EXPECT_EQ(save.evaluate("el => el.id"), "save");
  // Values come back as the Record parser reads them, number kinds included.
  const Record page_answer = driver.evaluate("() => 42");
  EXPECT_EQ(page_answer, Record::parse(R"({"n": 42, "m": -3, "f": 1.5, "e": 1e300, "list": [true, null, "x\u00e9\n"]})"));
  EXPECT_TRUE(page_answer["n"].is_number_unsigned());
  EXPECT_TRUE(page_answer["m"].is_number_integer() && !page_answer["m"].is_number_unsigned());
  EXPECT_TRUE(page_answer["f"].is_number_float());
  EXPECT_EQ(page_answer["list"][2], "x\u00e9\n");
  auto label = driver.query_selector("#name");
  ASSERT_TRUE(label);
  EXPECT_EQ(label->inner_text(), "Name");
  EXPECT_EQ(driver.query_selector("#gone"), nullptr);
  EXPECT_EQ(driver.query_selector("div")->is_enabled(), false);
  EXPECT_TRUE(driver.batched());
  EXPECT_EQ(calls.log, std::vector<std::string>{"page: batch"});
  // The next harvest of the document only asks the model the first one installed.
  BatchedDriver again(page, plan());
  EXPECT_EQ(again.query_selector_all("button").size(), 2u);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"page: batch", "page: batch (asked)"}));
}

TEST_F(BatchedDriverTest, AbsentAttributeIsNoneWithoutAskingLive) {
  auto div = driver.query_selector_all("div")[0];
  EXPECT_EQ(div->get_attribute("id"), std::nullopt);
  EXPECT_EQ(calls.log.size(), 1u);
}

TEST_F(BatchedDriverTest, FailuresInThePageFailTheCall) {
  auto buttons = driver.query_selector_all("button");
  auto div = driver.query_selector_all("div")[0];
  const std::vector<std::function<void()>> failing = {
      [&] { buttons[1]->is_enabled(); },       // detached
      [&] { buttons[1]->evaluate("el => el.id"); },  // script threw
      [&] { div->inner_text(); },              // not an HTML element
      [&] { div->bounding_box(); },
      [&] { driver.query_selector("#1bad"); },  // invalid selector
  };
  for (std::size_t i = 0; i < failing.size(); ++i) {
    EXPECT_THROW(failing[i](), DriverError) << "case " << i;
  }
  EXPECT_EQ(calls.log.size(), 1u);
}

// Each question the batch leaves open goes live, to the same node (found again by the
// same query and position), and answers exactly what the live driver says.
TEST_F(BatchedDriverTest, OpenQuestionsGoToTheSameLiveNode) {
  auto b1 = driver.query_selector_all("button")[1];
  EXPECT_EQ(b1->inner_text(), "live b1");                 // text not portable
  EXPECT_EQ(b1->get_attribute("id"), "live id");          // value not portable
  EXPECT_EQ(b1->get_attribute("name"), "live name");      // not in the plan
  EXPECT_EQ(b1->evaluate("el => 1"), "live el => 1 on b1");  // script not in the plan
  auto d0 = driver.query_selector_all("div")[0];
  EXPECT_EQ(d0->evaluate("el => el.id"), "live el => el.id on d0");  // slot left open
  EXPECT_EQ(calls.log, (std::vector<std::string>{
                           "page: batch", "page: query_selector_all button", "b1: inner_text",
                           "b1: get_attribute id", "b1: get_attribute name", "b1: evaluate el => 1",
                           "page: query_selector_all div", "d0: evaluate el => el.id"}));
}

// A node the plan gave no details (text, box, attributes, enabled state, script results)
// answers those questions live; its visibility still comes from the batch.
TEST_F(BatchedDriverTest, QuestionsTheBatchSkippedGoLive) {
  page.batch = [] {
    Record answer = Record::parse(batch_answer().get<std::string>());
    for (const char* column : {"enabled", "texts", "boxes", "attributes"}) answer[column][0] = 0;
    answer["scripts"][0][0] = 0;
    return Record(answer.dump());
  };
  auto b0 = driver.query_selector_all("button")[0];
  EXPECT_TRUE(b0->is_visible());
  EXPECT_TRUE(b0->is_enabled());
  EXPECT_EQ(b0->inner_text(), "live b0");
  EXPECT_EQ(b0->get_attribute("id"), "live id");
  EXPECT_EQ(b0->bounding_box()->x, 1);
  EXPECT_EQ(b0->evaluate("el => el.id"), "live el => el.id on b0");
  EXPECT_EQ(calls.log, (std::vector<std::string>{
                           "page: batch", "page: query_selector_all button", "b0: is_enabled", "b0: inner_text",
                           "b0: get_attribute id", "b0: bounding_box", "b0: evaluate el => el.id"}));
}

TEST_F(BatchedDriverTest, QuestionsOutsideThePlanGoLive) {
  EXPECT_EQ(driver.query_selector_all("span").size(), 1u);
  EXPECT_EQ(driver.query_selector("#other"), nullptr);
  EXPECT_EQ(driver.evaluate("() => 1"), "live page () => 1");
  EXPECT_EQ(driver.url(), "http://x/");
  EXPECT_EQ(calls.log, (std::vector<std::string>{"page: query_selector_all span", "page: batch",
                                                 "page: query_selector #other", "page: evaluate () => 1",
                                                 "page: url"}));
}

TEST_F(BatchedDriverTest, ANodeThatCannotBeMatchedLiveAnymoreFails) {
  auto b1 = driver.query_selector_all("button")[1];
  page.elements["button"] = {"b0"};  // the page lost a button since the batch
  EXPECT_THROW(b1->inner_text(), DriverError);
}

// Any batch that cannot be trusted leaves every call to the live driver.
TEST_F(BatchedDriverTest, UnusableBatchMeansEveryCallGoesLive) {
  const std::vector<std::pair<const char*, std::function<Record()>>> batches = {
      {"driver error", []() -> Record { throw DriverError("navigated"); }},
      {"not a string", [] { return Record(nullptr); }},
      {"not JSON", [] { return Record("{"); }},
      {"missing part", [] { return Record(R"({"queries": [], "visible": []})"); }},
      {"wrong query count", [] {
         Record answer = Record::parse(batch_answer().get<std::string>());
         answer["queries"].push_back(Record::array());
         return Record(answer.dump());
       }},
      {"index out of range", [] {
         Record answer = Record::parse(batch_answer().get<std::string>());
         answer["queries"][1][0] = 4;
         return Record(answer.dump());
       }},
      {"column too short", [] {
         Record answer = Record::parse(batch_answer().get<std::string>());
         answer["texts"].erase(3);
         return Record(answer.dump());
       }},
      {"script column missing", [] {
         Record answer = Record::parse(batch_answer().get<std::string>());
         answer["scripts"] = Record::array();
         return Record(answer.dump());
       }},
  };
  for (const auto& [why, answer] : batches) {
    Calls log;
    FakePage live(log);
    live.batch = answer;
    live.elements = page.elements;
    BatchedDriver fallback(live, plan());
    auto buttons = fallback.query_selector_all("button");
    ASSERT_EQ(buttons.size(), 2u) << why;
    EXPECT_EQ(buttons[0]->inner_text(), "live b0") << why;
    EXPECT_EQ(fallback.evaluate("() => 42"), "live page () => 42") << why;
    EXPECT_FALSE(fallback.batched()) << why;
    EXPECT_EQ(std::count(log.log.begin(), log.log.end(), "page: batch"), 1) << why;
  }
}

TEST(BatchScript, CarriesThePlanAndTheHarvestScriptsVerbatim) {
  BatchPlan p = plan();
  p.element_scripts[0].text = "el => el.getAttribute(\"x\") + '\\n'";
  const std::string script = batch_script(p);
  // The page model's modules, bundled in their declared order into one expression.
  EXPECT_EQ(script.rfind("() => ((() => {\n'use strict';\n// ---- intrinsics.js\n", 0), 0u);
  const auto first = script.find("// ---- intrinsics.js");
  const auto last = script.find("// ---- plan.js");
  ASSERT_NE(last, std::string::npos);
  EXPECT_LT(first, last);
  // Installed under a name of the bundle and plan, then asked for the harvest.
  EXPECT_NE(script.find("return main;\n})())('__kelvoPageModel_"), std::string::npos);
  const std::string tail = ").harvest()";
  ASSERT_EQ(script.compare(script.size() - tail.size(), tail.size(), tail), 0);
  const auto start = script.find(", {\"selectors\"") + 2;
  Record embedded = Record::parse(script.substr(start, script.size() - start - tail.size()));
  EXPECT_EQ(embedded, p.to_record());
  EXPECT_EQ(embedded["element_scripts"][0]["text"], p.element_scripts[0].text);
}

// A document that has the model is only asked: the model is not sent again.
TEST(BatchScript, ADocumentWithTheModelIsOnlyAsked) {
  const BatchPlan p = plan();
  const ModelScripts texts = model_scripts(p);
  EXPECT_EQ(texts.harvest, batch_script(p));
  EXPECT_EQ(texts.ask.find("page_model"), std::string::npos);
  EXPECT_LT(texts.ask.size(), 200u);
  EXPECT_NE(texts.ask.find(texts.key), std::string::npos);
  // Another plan is another model, installed beside the first.
  BatchPlan other = p;
  other.selectors.push_back("em");
  EXPECT_NE(model_scripts(other).key, texts.key);
}
