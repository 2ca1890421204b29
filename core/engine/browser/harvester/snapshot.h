// DOM snapshots: what one harvest saw, written as JSON for diagnosing a resolution.
#pragma once

#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/record.h"
#include "engine/browser/harvester/page_driver.h"

namespace kelvo::harvester {

// Read afresh at every harvest, so a change takes effect at the next one.
struct SnapshotSettings {
  bool save_snapshots = false;
  std::string log_path = "data/logs/";
};

// A directory or file that could not be made or written; carries errno and the path.
struct SnapshotError : std::runtime_error {
  SnapshotError(int error_number, const std::string& what, std::string path)
      : std::runtime_error(what), error_number(error_number), path(std::move(path)) {}
  int error_number;
  std::string path;
};

// "://" and then "/" become "_"; cut to the first 60 characters.
std::string url_slug(const std::string& url);

// "<YYYYmmdd_HHMMSS local>_<slug>.json"
std::string snapshot_file_name(const std::string& url, std::time_t when);

// os.path.join(directory, name) for a relative name.
std::string join_path(const std::string& directory, const std::string& name);

// _save_snapshot: the path written, or nothing when snapshots are off. The file appears
// complete or not at all: it is written beside its final name and then linked there. A name
// already taken (same second, same address) is never replaced: the file is numbered instead,
// "<name>.2.json", "<name>.3.json"...
std::optional<std::string> save_snapshot(PageDriver& page, const Record& elements,
                                         const Record& text_elements, const SnapshotSettings& settings);

// The console line announcing a saved snapshot.
std::string snapshot_saved_line(const std::string& path);

}  // namespace kelvo::harvester
