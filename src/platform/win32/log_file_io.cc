#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/log_file_io.h"

namespace tambrel::log_io {

std::tm local_tm(std::time_t t) {
  std::tm tm{};
  localtime_s(&tm, &t);
  return tm;
}

std::tm utc_tm(std::time_t t) {
  std::tm tm{};
  gmtime_s(&tm, &t);
  return tm;
}

std::optional<std::string> append_line(const std::filesystem::path& path,
                                       const std::filesystem::path& rotated, std::string_view line,
                                       std::uintmax_t limit) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec)
    return "create_directories " + path.parent_path().string() + ": " + ec.message();
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > 0 && size + line.size() > limit) {
    fs::rename(path, rotated, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) {
      // Some file systems refuse to rename over an existing file.
      fs::remove(rotated, ec);
      fs::rename(path, rotated, ec);
    }
    // Gone already: another copy rotated it a moment earlier.
    if (ec && ec != std::errc::no_such_file_or_directory)
      return "rename " + path.string() + ": " + ec.message();
  }
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out)
    return "open " + path.string() + ": " + std::strerror(errno);
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
  out.close();
  if (out.fail())
    return "write " + path.string() + ": " + std::strerror(errno);
  return std::nullopt;
}

}  // namespace tambrel::log_io
