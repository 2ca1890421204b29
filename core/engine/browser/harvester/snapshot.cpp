#include "engine/browser/harvester/snapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/text.h"
#include "engine/browser/harvester/python_json.h"

namespace kelvo::harvester {

namespace {

constexpr std::size_t SLUG_MAX_CHARS = 60;

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

[[noreturn]] void fail(int error_number, const std::string& doing, const std::string& path) {
  throw SnapshotError(error_number, doing + " " + path + ": " + std::strerror(error_number), path);
}

void make_directories(const std::string& directory) {
  if (directory.empty()) fail(ENOENT, "cannot create the snapshot directory", "''");
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) fail(ec.value(), "cannot create the snapshot directory", directory);
  if (!std::filesystem::is_directory(directory, ec)) {
    fail(ENOTDIR, "cannot create the snapshot directory", directory);
  }
}

// The name for the `number`th file of one second and address: the first keeps the plain
// name, later ones add ".2", ".3" before ".json".
std::string numbered(const std::string& path, unsigned number) {
  if (number <= 1) return path;
  return path.substr(0, path.size() - 5) + "." + std::to_string(number) + ".json";
}

// Writes `content` to a new file beside `path`, then links it under the first free name of
// `path`, `path` numbered 2, 3...: a reader sees the complete file or none, and two harvests
// in one second (in one process or several) never overwrite each other. Answers the name used.
std::string write_atomically(const std::string& path, const std::string& content) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path target(path);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = (target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                    "." + std::to_string(counter++) + ".tmp"))
               .string();
    // 0666 before the umask, as an ordinary text file would be created.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt > 100)) fail(errno, "cannot write the snapshot", path);
  }
  const char* data = content.data();
  std::size_t left = content.size();
  int error_number = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_number = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (!error_number && ::fsync(fd) != 0) error_number = errno;
  if (::close(fd) != 0 && !error_number) error_number = errno;
  std::string written;
  for (unsigned number = 1; !error_number; ++number) {
    written = numbered(path, number);
    // link() fails on a taken name where rename() would replace it.
    if (::link(temp.c_str(), written.c_str()) == 0) break;
    if (errno == EEXIST && number < 100000) continue;
    if (errno != EPERM && errno != EOPNOTSUPP) {
      error_number = errno;
      break;
    }
    // A file system without hard links: the first name free now, then renamed there.
    std::error_code ec;
    while (std::filesystem::exists(written, ec)) written = numbered(path, ++number);
    if (::rename(temp.c_str(), written.c_str()) == 0) return written;
    error_number = errno;
  }
  ::unlink(temp.c_str());
  if (error_number) fail(error_number, "cannot write the snapshot", path);
  return written;
}

}  // namespace

std::string url_slug(const std::string& url) {
  const std::string replaced = replace_all(replace_all(url, "://", "_"), "/", "_");
  std::u32string points = text::decode(replaced);
  if (points.size() > SLUG_MAX_CHARS) points.resize(SLUG_MAX_CHARS);
  return text::encode(points);
}

std::string snapshot_file_name(const std::string& url, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
  return std::string(stamp) + "_" + url_slug(url) + ".json";
}

std::string join_path(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

std::optional<std::string> save_snapshot(PageDriver& page, const Record& elements,
                                         const Record& text_elements, const SnapshotSettings& settings) {
  if (!settings.save_snapshots) return std::nullopt;
  make_directories(settings.log_path);
  const std::string name = snapshot_file_name(page.url(), std::time(nullptr));
  const std::string path = join_path(settings.log_path, name);

  Record document = Record::object();
  document["url"] = page.url();  // read again: the address as the file is written
  document["elements"] = elements;
  document["text_elements"] = text_elements;
  return write_atomically(path, dump_python_json(document));
}

std::string snapshot_saved_line(const std::string& path) {
  return "  [DOM snapshot saved \u2192 " + path + "]";
}

}  // namespace kelvo::harvester
