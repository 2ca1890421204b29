// Small builders for element records and readers of resolution results.
#pragma once

#include <string>
#include <vector>

#include "engine/strategies/matcher/matcher.h"

namespace matcher_test {

using kelvo::Record;
using kelvo::matcher::ElementRef;
using kelvo::matcher::Elements;
using kelvo::matcher::ResolutionResult;
using kelvo::matcher::Source;

inline Record box(double x, double y, double width = 50, double height = 20) {
  Record b = Record::object();
  b["x"] = x;
  b["y"] = y;
  b["width"] = width;
  b["height"] = height;
  return b;
}

// An interactable element as the harvester delivers it.
inline Record control(const std::string& tag, const std::string& text, double x = 0, double y = 0,
                      bool visible = true, Record attributes = Record::object()) {
  Record e = Record::object();
  e["tag"] = tag;
  e["text"] = text;
  e["attributes"] = std::move(attributes);
  e["bounding_box"] = box(x, y);
  e["is_visible"] = visible;
  e["is_enabled"] = true;
  e["xpath"] = "/html[1]/body[1]/" + tag + "[1]";
  return e;
}

// A text element with its own box and XPath.
inline Record text_at(const std::string& tag, const std::string& text, Record bounding_box,
                      const std::string& xpath) {
  Record e = Record::object();
  e["tag"] = tag;
  e["text"] = text;
  e["has_direct_text"] = true;
  e["attributes"] = Record::object();
  e["bounding_box"] = std::move(bounding_box);
  e["is_visible"] = true;
  e["is_enabled"] = true;
  e["xpath"] = xpath;
  return e;
}

inline Record attrs(const char* json) { return Record::parse(json); }

// The chosen element as its position, or -1 when none.
inline long chosen(const ResolutionResult& r) {
  return r.element ? static_cast<long>(r.element->index) : -1;
}

inline std::vector<long> candidates(const ResolutionResult& r) {
  std::vector<long> out;
  for (const auto& ref : r.candidates) out.push_back(static_cast<long>(ref.index));
  return out;
}

}  // namespace matcher_test
