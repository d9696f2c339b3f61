#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the log file needs from the operating system. One file per system implements it
// (posix/log_file_io.cc, win32/log_file_io.cc); the build picks the one.
namespace tambrel::log_io {

/// `t` broken down in the local time zone.
std::tm local_tm(std::time_t t);
/// `t` broken down in UTC.
std::tm utc_tm(std::time_t t);

/// Appends `line` to the log file `path`, creating it and its folders as needed. A file that
/// `line` would take past `limit` bytes becomes `rotated` first (replacing an older one), and the
/// line starts a new file; another copy that rotated the same file a moment earlier is no
/// failure. Only a regular file is written, never one reached through a symbolic link, and
/// nothing waits on a FIFO. nullopt when the line was written, else why not, naming the call.
std::optional<std::string> append_line(const std::filesystem::path& path,
                                       const std::filesystem::path& rotated, std::string_view line,
                                       std::uintmax_t limit);

}  // namespace tambrel::log_io
