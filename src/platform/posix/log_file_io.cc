#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/log_file_io.h"
#include "platform/posix/errno_text.h"
#include "platform/posix/file_type.h"
#include "platform/posix/unique_fd.h"

namespace tambrel::log_io {

namespace {

using posix::errno_text;

/// Takes the lock that keeps two copies from rotating one file at once. The log never holds a
/// run up: when the lock is not had within a second (a copy stopped while holding it, a file
/// system without locks), the line goes in unlocked.
void lock_briefly(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::tm local_tm(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::tm utc_tm(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

std::optional<std::string> append_line(const std::filesystem::path& path,
                                       const std::filesystem::path& rotated, std::string_view line,
                                       std::uintmax_t limit) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (ec)
    return "create_directories " + path.parent_path().string() + ": " + errno_text(ec.value());
  // A few rounds at most: one to rotate, one more for each copy that rotated it meanwhile.
  for (int round = 0; round < 5; ++round) {
    // O_NOFOLLOW: the log never writes into whatever a link points at; O_NONBLOCK: a FIFO with
    // no reader would otherwise hold the run before its window, deaf to signals.
    posix::UniqueFd fd(::open(
        path.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
    struct stat opened {};
    if (!fd.valid()) {
      const int error = errno;
      if (error == ELOOP)
        return "open " + path.string() + ": is a symbolic link, which the log never follows";
      // A FIFO without a reader, or a socket.
      if (error == ENXIO && ::lstat(path.c_str(), &opened) == 0)
        return "open " + path.string() + ": " + posix::not_a_regular_file(opened.st_mode);
      return "open " + path.string() + ": " + errno_text(error);
    }
    if (::fstat(fd.get(), &opened) != 0)
      return "fstat " + path.string() + ": " + errno_text(errno);
    if (!S_ISREG(opened.st_mode))
      return "open " + path.string() + ": " + posix::not_a_regular_file(opened.st_mode);
    lock_briefly(fd.get());
    // Another copy may have rotated the file while this one waited for the lock: the file opened
    // is then the rotated one, and the line belongs in the new file.
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !same_file(named, opened))
      continue;
    if (::fstat(fd.get(), &opened) != 0)
      return "fstat " + path.string() + ": " + errno_text(errno);
    const auto size = static_cast<std::uintmax_t>(opened.st_size);
    if (size > 0 && size + line.size() > limit) {
      // Not there any more: someone else moved it aside first; either way it has been rotated.
      if (::rename(path.c_str(), rotated.c_str()) != 0 && errno != ENOENT)
        return "rename " + path.string() + ": " + errno_text(errno);
      continue;
    }
    if (!posix::write_all(fd.get(), line))
      return "write " + path.string() + ": " + errno_text(errno);
    return std::nullopt;
  }
  return "open " + path.string() + ": the file kept being moved aside by other copies";
}

}  // namespace tambrel::log_io
