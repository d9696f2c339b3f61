#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/activity_log.h"

namespace tambrel {

/// A log file grows to this many bytes; the line that would pass it moves the file aside first.
inline constexpr std::uintmax_t kLogRotateBytes = 1024 * 1024;

/// `local` as ISO 8601 with milliseconds and the offset from UTC: "2026-12-07T18:03:25.120+01:00".
std::string iso8601(const std::tm& local, int milliseconds, int utc_offset_minutes);
/// The local time of `when`, as iso8601() writes it.
std::string local_timestamp(std::chrono::system_clock::time_point when);
/// One log line: the stamp, a space, the event as visible_text() writes it, and a line end. An
/// event is always exactly one line.
std::string log_line(std::string_view stamp, std::string_view event);
/// Where a log file goes when it is rotated: the same name with ".1" appended.
std::filesystem::path rotated_path(const std::filesystem::path& log);

/// An activity log in one file, created with its folders on the first event. Each event is
/// appended and the file closed again, so nothing stays open between events. Before a line would
/// take the file past kLogRotateBytes, the file becomes rotated_path() (replacing the older one);
/// copies of one name rotate it once between them. Only a regular file is written, never through
/// a symbolic link (log_io::append_line).
class LogFile : public ActivityLog {
 public:
  /// `on_failure` hears about the first event that could not be written, with the reason; later
  /// failures are silent. An empty path keeps nothing (no place for a log could be found).
  LogFile(std::filesystem::path path, std::function<void(const std::string&)> on_failure);

  void record(std::string_view event) override;
  const std::filesystem::path& path() const { return path_; }

 private:
  void fail(const std::string& why);
  std::filesystem::path path_;
  std::function<void(const std::string&)> on_failure_;
  bool failed_once_ = false;
};

}  // namespace tambrel
