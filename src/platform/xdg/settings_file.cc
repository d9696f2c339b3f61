#include "platform/xdg/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/error.h"
#include "platform/posix/errno_text.h"

namespace tambrel::xdg {

namespace {

/// The characters mkostemp(3) puts in place of "XXXXXX".
bool is_temporary_suffix(std::string_view suffix) {
  if (suffix.size() != 6)
    return false;
  for (const char c : suffix) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum)
      return false;
  }
  return true;
}

}  // namespace

std::string link_target(const std::string& path, int& error) {
  error = 0;
  std::filesystem::path at(path);
  // As many links as the kernel itself follows in one path.
  for (int links = 0; links < 40; ++links) {
    struct stat info {};
    if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
      return at.string();
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
    if (n < 0) {
      error = errno;
      return at.string();
    }
    target.resize(static_cast<std::size_t>(n));
    at = at.parent_path() / target;  // an absolute target replaces the folder
  }
  error = ELOOP;
  return path;
}

SettingsFileLock::SettingsFileLock(const std::string& file, std::string_view key,
                                   const std::string& named) {
  const std::string lock_file = file + ".lock";
  auto fail = [&](const char* call, const std::string& reason) {
    throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
                named + ": " + reason);
  };
  fd_.reset(::open(lock_file.c_str(),
                   O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  if (!fd_.valid())
    fail("open", lock_file + ": " + posix::errno_text(errno));
  // Another copy holds it only for one read and rename; a copy stopped while holding it must not
  // hold this one for ever.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR)
      return;  // no locks on this file system (ENOLCK): unlocked, as before
    if (std::chrono::steady_clock::now() > deadline)
      fail("flock", lock_file + " has been held by another copy for ten seconds");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void remove_stale_temporaries(const std::string& file) {
  const std::filesystem::path path(file);
  const std::string prefix = path.filename().string() + ".";
  std::error_code error;
  for (std::filesystem::directory_iterator it(path.parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(prefix) &&
        is_temporary_suffix(std::string_view(name).substr(prefix.size())))
      ::unlink(it->path().c_str());
  }
}

}  // namespace tambrel::xdg
