#include "engine/browser/harvester/frames.h"

#include <cmath>
#include <cstdint>

namespace kelvo::harvester {

namespace {

// Shifts one coordinate; a whole number stays a whole number when the shift is whole, so
// the pointer records' rounded boxes keep their kind.
void shift(Record& value, double by) {
  if (by == 0 || !value.is_number()) return;
  if (value.is_number_integer() && std::floor(by) == by) {
    const double sum = value.get<double>() + by;
    if (sum >= 0) {
      value = static_cast<std::uint64_t>(sum);
    } else {
      value = static_cast<std::int64_t>(sum);
    }
    return;
  }
  value = value.get<double>() + by;
}

}  // namespace

void place_records(Record& records, const FramePlace& place) {
  if (!records.is_array()) return;
  for (Record& record : records) {
    if (!record.is_object()) continue;
    auto box = record.find("bounding_box");
    if (box != record.end() && box->is_object()) {
      if (auto x = box->find("x"); x != box->end()) shift(*x, place.x);
      if (auto y = box->find("y"); y != box->end()) shift(*y, place.y);
    }
    auto xpath = record.find("xpath");
    if (xpath == record.end() || !xpath->is_string()) continue;
    const std::string own = xpath->get<std::string>();
    if (place.hops.empty() && own.find(SHADOW_STEP) == std::string::npos) continue;
    std::string joined;
    Record address = Record::array();
    for (const auto& hop : place.hops) {
      joined += hop + FRAME_STEP;
      address.push_back(hop);
    }
    address.push_back(own);
    record["xpath"] = joined + own;
    record["address"] = std::move(address);
  }
}

std::string unread_frames_note(const std::vector<std::string>& frames) {
  if (frames.empty()) return {};
  std::string out =
      std::to_string(frames.size()) + (frames.size() == 1 ? " frame" : " frames") + " could not be read: ";
  for (std::size_t i = 0; i < frames.size(); ++i) out += (i ? "; " : "") + frames[i];
  return out;
}

std::string closed_roots_note(const std::vector<std::string>& tags) {
  if (tags.empty()) return {};
  std::string out;
  for (std::size_t i = 0; i < tags.size(); ++i) out += (i ? ", <" : "<") + tags[i] + ">";
  return out + (tags.size() == 1 ? " keeps its content" : " keep their content") +
         " in a closed shadow root, which cannot be read";
}

}  // namespace kelvo::harvester
