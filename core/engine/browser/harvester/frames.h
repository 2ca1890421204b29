// Frames and shadow roots in one harvest: each frame's document is harvested on its own
// and its records are moved into the top page, boxes in the top page's viewport and
// every element given an address Playwright can act on.
#pragma once

#include <string>
#include <vector>

#include "common/record.h"

namespace kelvo::harvester {

// Where a document sits in the top page.
struct FramePlace {
  double x = 0, y = 0;            // its viewport's top-left in the top page's viewport
  std::vector<std::string> hops;  // the paths of the frame elements, from the top page down
};

// The step that joins a frame element's path to the path of an element in its document,
// and the one that enters an open shadow root (written by the xpath script).
inline constexpr const char* FRAME_STEP = "/#document";
inline constexpr const char* SHADOW_STEP = "/#shadow-root";

// Moves one document's records into the top page: boxes shifted by the place; an element
// inside a frame or under a shadow root gets "address" (the hops, then its own path) as
// its last key, and its "xpath" becomes the page-unique joined path. Records of the top
// document's light tree stay as they are.
void place_records(Record& records, const FramePlace& place);

// The sentence for the frames a harvest could not read ("url: reason" each), empty for none.
std::string unread_frames_note(const std::vector<std::string>& frames);

// The sentence for custom elements whose content seems to sit in a closed shadow root.
std::string closed_roots_note(const std::vector<std::string>& tags);

}  // namespace kelvo::harvester
