#include "engine/browser/harvester/dom_parser.h"

#include <algorithm>
#include <iostream>
#include <tuple>

#include "engine/browser/harvester/custom_elements.h"
#include "engine/browser/harvester/driver_calls.h"
#include "engine/browser/harvester/field_labels.h"
#include "engine/browser/harvester/native_elements.h"
#include "engine/browser/harvester/text_elements.h"
#include "harvester_scripts.h"

namespace kelvo::harvester {

DOMParser::DOMParser(PageDriver& page, HarvestHooks hooks) : page_(page), hooks_(std::move(hooks)) {}

namespace {

// Frames nest only as deep as pages make them; a cycle through a driver is not followed.
constexpr int MAX_FRAME_DEPTH = 16;

void append_all(Record& to, Record& from) {
  for (auto& record : from) to.push_back(std::move(record));
}

}  // namespace

std::pair<Record, Record> DOMParser::harvest_document(PageDriver& document) {
  Record elements = harvester::extract_native_elements(document);
  // No de-duplication across sources: an element found twice is listed twice.
  for (auto& descriptor : harvester::extract_custom_inputs(document))
    elements.push_back(std::move(descriptor));
  for (auto& descriptor : harvester::extract_cursor_pointer_elements(document)) {
    elements.push_back(std::move(descriptor));
  }
  assign_spatial_labels(elements, harvester::collect_label_candidates(document));
  Record text_elements = harvester::extract_text_elements(document);
  return {std::move(elements), std::move(text_elements)};
}

std::pair<Record, Record> DOMParser::extract_interactable_elements() {
  notes_.clear();
  auto [elements, text_elements] = harvest_document(page_);
  if (page_.browses()) {
    note_closed_roots(page_, "");
    place_records(elements, {});
    place_records(text_elements, {});
    std::vector<std::string> unread;
    harvest_frames(page_, {}, elements, text_elements, unread, 0);
    if (!unread.empty()) notes_.insert(notes_.begin(), unread_frames_note(unread));
  }
  save_snapshot(elements, text_elements);
  return {std::move(elements), std::move(text_elements)};
}

void DOMParser::note_closed_roots(PageDriver& document, const std::string& where) {
  Record tags;
  if (!guarded([&] { tags = document.evaluate(scripts::closed_roots); }) || !tags.is_array()) return;
  std::vector<std::string> names;
  for (const Record& tag : tags) {
    if (tag.is_string()) names.push_back(tag.get<std::string>());
  }
  const std::string note = closed_roots_note(names);
  if (!note.empty()) notes_.push_back(where.empty() ? note : note + " (in the frame " + where + ")");
}

// A frame that cannot be read is noted and skipped; the rest of the page still counts.
void DOMParser::harvest_frames(PageDriver& parent, const FramePlace& at, Record& elements,
                               Record& text_elements, std::vector<std::string>& unread, int depth) {
  if (depth >= MAX_FRAME_DEPTH) return;
  if (parent.narrowed()) {
    harvest_frames_narrowed(parent, at, elements, text_elements, unread, depth);
    return;
  }
  std::vector<ChildFrame> frames;
  if (!guarded([&] { frames = parent.child_frames(); })) return;
  for (ChildFrame& frame : frames) {
    const std::string name = frame.url.empty() ? std::string("(no address)") : frame.url;
    if (!frame.driver) {
      unread.push_back(name + ": " +
                       (frame.error.empty() ? std::string("it is not reachable") : frame.error));
      continue;
    }
    FramePlace place{at.x + frame.x, at.y + frame.y, at.hops};
    place.hops.push_back(frame.path);
    try {
      auto [found, texts] = harvest_document(*frame.driver);
      place_records(found, place);
      place_records(texts, place);
      append_all(elements, found);
      append_all(text_elements, texts);
    } catch (const DriverError& error) {
      unread.push_back(name + ": " + error.what());
      continue;
    }
    note_closed_roots(*frame.driver, name);
    harvest_frames(*frame.driver, place, elements, text_elements, unread, depth + 1);
  }
}

namespace {

bool holds_nothing(const Record& records) { return !records.is_array() || records.empty(); }

}  // namespace

// A narrowed reading reads every frame's document as narrowly as the top one, and places
// only the frames where it read something (or that hold frames of their own): a frame with
// nothing the step's words may name adds no record wherever it sits, so its place is never
// read. Those placed are taken in the order a whole reading takes them (by rank).
void DOMParser::harvest_frames_narrowed(PageDriver& parent, const FramePlace& at, Record& elements,
                                        Record& text_elements, std::vector<std::string>& unread, int depth) {
  std::vector<ChildFrame> frames;
  if (!guarded([&] { frames = parent.child_frames_unplaced(); })) return;
  struct Read {
    ChildFrame frame;
    std::string name;
    Record found, texts;
  };
  std::vector<Read> reads;
  for (ChildFrame& frame : frames) {
    std::string name = frame.url.empty() ? std::string("(no address)") : frame.url;
    if (!frame.driver) {
      unread.push_back(name + ": " + (frame.error.empty() ? std::string("it is not reachable") : frame.error));
      continue;
    }
    Read read{frame, name, Record(), Record()};
    try {
      std::tie(read.found, read.texts) = harvest_document(*frame.driver);
    } catch (const DriverError& error) {
      unread.push_back(name + ": " + error.what());
      continue;
    }
    if (!frame.placed) {
      bool framed = false;
      guarded([&] { framed = !frame.driver->child_frames_unplaced().empty(); });
      if (holds_nothing(read.found) && holds_nothing(read.texts) && !framed) {
        note_closed_roots(*frame.driver, name);
        continue;
      }
      std::shared_ptr<PageDriver> driver = frame.driver;
      guarded([&] { driver->place_in_parent(read.frame); });
      if (!read.frame.placed) {
        unread.push_back(name + ": " +
                         (read.frame.error.empty() ? std::string("it is not reachable") : read.frame.error));
        continue;
      }
    }
    reads.push_back(std::move(read));
  }
  std::stable_sort(reads.begin(), reads.end(), [](const Read& a, const Read& b) { return a.frame.rank < b.frame.rank; });
  for (Read& read : reads) {
    FramePlace place{at.x + read.frame.x, at.y + read.frame.y, at.hops};
    place.hops.push_back(read.frame.path);
    place_records(read.found, place);
    place_records(read.texts, place);
    append_all(elements, read.found);
    append_all(text_elements, read.texts);
    note_closed_roots(*read.frame.driver, read.name);
    harvest_frames(*read.frame.driver, place, elements, text_elements, unread, depth + 1);
  }
}

Record DOMParser::extract_text_elements() { return harvester::extract_text_elements(page_); }
Record DOMParser::extract_native_elements() { return harvester::extract_native_elements(page_); }
Record DOMParser::extract_custom_inputs() { return harvester::extract_custom_inputs(page_); }
Record DOMParser::extract_cursor_pointer_elements() {
  return harvester::extract_cursor_pointer_elements(page_);
}
Record DOMParser::collect_label_candidates() { return harvester::collect_label_candidates(page_); }
std::string DOMParser::get_field_label(ElementHandle& handle) {
  return harvester::get_field_label(page_, handle);
}

void DOMParser::save_snapshot(const Record& elements, const Record& text_elements) {
  const SnapshotSettings settings = hooks_.settings ? hooks_.settings() : SnapshotSettings{false};
  auto path = harvester::save_snapshot(page_, elements, text_elements, settings);
  if (!path) return;
  const std::string line = snapshot_saved_line(*path);
  if (hooks_.print_line) {
    hooks_.print_line(line);
  } else {
    std::cout << line << std::endl;
  }
}

}  // namespace kelvo::harvester
