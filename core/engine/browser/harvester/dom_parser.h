// DOMParser: one complete harvest of the live page through a PageDriver. It holds the
// page and nothing else; every harvest starts from the page as it is now.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/record.h"
#include "engine/browser/harvester/frames.h"
#include "engine/browser/harvester/page_driver.h"
#include "engine/browser/harvester/snapshot.h"

namespace kelvo::harvester {

// What the harvest needs from its surroundings besides the page.
struct HarvestHooks {
  // The snapshot settings, asked at every harvest; snapshots are off when unset.
  std::function<SnapshotSettings()> settings;
  // Where the snapshot console line goes; standard output when unset.
  std::function<void(const std::string&)> print_line;
};

class DOMParser {
 public:
  explicit DOMParser(PageDriver& page, HarvestHooks hooks = {});

  // (descriptors, text elements): native, custom-input, then pointer descriptors, with
  // spatial labels assigned; writes a snapshot when snapshots are on. On a browser page
  // the records of every frame follow the top document's, frame by frame in document
  // order (see frames.h).
  std::pair<Record, Record> extract_interactable_elements();
  // What the last harvest could not read (frames, closed shadow roots), one sentence each.
  const std::vector<std::string>& notes() const { return notes_; }
  Record extract_text_elements();

  Record extract_native_elements();
  Record extract_custom_inputs();
  Record extract_cursor_pointer_elements();
  Record collect_label_candidates();
  std::string get_field_label(ElementHandle& handle);
  // Writes the snapshot and prints its line when snapshots are on.
  void save_snapshot(const Record& elements, const Record& text_elements);

 private:
  // One document's records, before they are placed in the top page.
  std::pair<Record, Record> harvest_document(PageDriver& document);
  void note_closed_roots(PageDriver& document, const std::string& where);
  void harvest_frames(PageDriver& parent, const FramePlace& at, Record& elements, Record& text_elements,
                      std::vector<std::string>& unread, int depth);
  void harvest_frames_narrowed(PageDriver& parent, const FramePlace& at, Record& elements,
                               Record& text_elements, std::vector<std::string>& unread, int depth);

  PageDriver& page_;
  HarvestHooks hooks_;
  std::vector<std::string> notes_;
};

}  // namespace kelvo::harvester
