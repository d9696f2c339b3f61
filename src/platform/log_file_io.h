#pragma once

#include <ctime>

// What the log file needs from the operating system. One file per system implements it
// (posix/log_file_io.cc, win32/log_file_io.cc); the build picks the one.
namespace tambrel::log_io {

/// `t` broken down in the local time zone.
std::tm local_tm(std::time_t t);
/// `t` broken down in UTC.
std::tm utc_tm(std::time_t t);

}  // namespace tambrel::log_io
