#include "platform/log_file.h"

#include <cstdio>

#include "platform/log_file_io.h"
#include "platform/visible_text.h"

namespace tambrel {

namespace {

class NoLog : public ActivityLog {
 public:
  void record(std::string_view) override {}
};

/// Minutes local time is ahead of UTC, from the two broken-down forms of one instant: they lie
/// at most a day apart, so the day of the year tells which way across midnight they differ.
int utc_offset_minutes(const std::tm& local, const std::tm& utc) {
  int days = local.tm_yday - utc.tm_yday;
  if (local.tm_year != utc.tm_year)
    days = local.tm_year > utc.tm_year ? 1 : -1;
  return days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

}  // namespace

ActivityLog& ActivityLog::none() {
  static NoLog log;
  return log;
}

std::string iso8601(const std::tm& local, int milliseconds, int utc_offset_minutes) {
  const char sign = utc_offset_minutes < 0 ? '-' : '+';
  const int offset = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, milliseconds, sign, offset / 60, offset % 60);
  return text;
}

std::string local_timestamp(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const std::time_t t = system_clock::to_time_t(time_point_cast<seconds>(when));
  auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
  if (ms < 0)
    ms += 1000;
  const std::tm local = log_io::local_tm(t);
  return iso8601(local, static_cast<int>(ms), utc_offset_minutes(local, log_io::utc_tm(t)));
}

std::string log_line(std::string_view stamp, std::string_view event) {
  std::string line(stamp);
  line += ' ';
  line += visible_text(event);
  line += '\n';
  return line;
}

std::filesystem::path rotated_path(const std::filesystem::path& log) {
  std::filesystem::path rotated = log;
  rotated += ".1";
  return rotated;
}

LogFile::LogFile(std::filesystem::path path, std::function<void(const std::string&)> on_failure)
    : path_(std::move(path)), on_failure_(std::move(on_failure)) {}

void LogFile::record(std::string_view event) {
  if (path_.empty())
    return;
  const std::string line = log_line(local_timestamp(std::chrono::system_clock::now()), event);
  if (const auto why = log_io::append_line(path_, rotated_path(path_), line, kLogRotateBytes))
    fail(*why);
}

void LogFile::fail(const std::string& why) {
  if (failed_once_)
    return;
  failed_once_ = true;
  if (on_failure_)
    on_failure_(why);
}

}  // namespace tambrel
