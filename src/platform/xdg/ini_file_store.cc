#include "platform/xdg/ini_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "platform/error.h"
#include "platform/posix/errno_text.h"
#include "platform/posix/file_type.h"
#include "platform/posix/unique_fd.h"
#include "platform/xdg/ini_text.h"
#include "platform/xdg/settings_file.h"
#include "platform/xdg/xdg_dirs.h"

namespace tambrel::xdg {

namespace {

using posix::UniqueFd;

[[noreturn]] void fail(const char* call, const std::string& reason, std::string_view key,
                       const std::string& file) {
  throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
              file + ": " + reason);
}

[[noreturn]] void fail(const char* call, int error, std::string_view key, const std::string& file) {
  fail(call, posix::errno_text(error), key, file);
}

/// The file's whole text; nullopt when it does not exist (nor the directories above it). Only a
/// regular file is read: a FIFO would block the start for ever, a device never end.
std::optional<std::string> file_text(const std::string& file, std::string_view key,
                                     const std::string& named) {
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) {
    if (errno == ENOENT || errno == ENOTDIR)
      return std::nullopt;
    fail("open", errno, key, named);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0)
    fail("fstat", errno, key, named);
  if (!S_ISREG(info.st_mode)) {
    fail("read", posix::not_a_regular_file(info.st_mode), key, named);
  }
  std::string text;
  try {
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        fail("read", errno, key, named);
      if (n == 0)
        return text;
      text.append(buffer, static_cast<std::size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    fail("read", "out of memory for a file of " + std::to_string(info.st_size) + " bytes", key,
         named);
  }
}

/// Replaces `target` with `text`: a temporary file beside it, written, flushed to disk and
/// closed, each step checked, then renamed over it. The old file's permissions carry over; a new
/// file is the user's alone. Whatever fails, the old file stays and the temporary one goes.
void replace_file(const std::string& target, const std::string& text, std::string_view key,
                  const std::string& named) {
  struct stat old_stat {};
  const mode_t mode = ::stat(target.c_str(), &old_stat) == 0 ? (old_stat.st_mode & 07777) : 0600;
  std::string temporary = target + ".XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.valid())
    fail("mkostemp", errno, key, named);
  auto abandon = [&](const char* call) {
    const int saved = errno;
    fd.reset();
    ::unlink(temporary.c_str());
    fail(call, saved, key, named);
  };
  if (::fchmod(fd.get(), mode) != 0)
    abandon("fchmod");
  if (!posix::write_all(fd.get(), text))
    abandon("write");
  if (::fsync(fd.get()) != 0)
    abandon("fsync");
  if (::close(fd.release()) != 0)
    abandon("close");
  if (::rename(temporary.c_str(), target.c_str()) != 0)
    abandon("rename");
  // Makes the rename itself durable; the file is whole either way, so a failure here is no loss.
  const std::string folder = std::filesystem::path(target).parent_path().string();
  UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid())
    ::fsync(directory.get());
}

}  // namespace

IniFileStore::IniFileStore(std::string config_home) : config_home_(std::move(config_home)) {}

std::string IniFileStore::default_config_home() {
  return xdg_home("XDG_CONFIG_HOME", ".config");
}

std::string IniFileStore::location(std::string_view section) const {
  return config_home_ + '/' + std::string(kSettingsApplication) + '/' + std::string(section) +
         ".ini";
}

std::optional<std::string> IniFileStore::read(std::string_view section, std::string_view key) {
  const std::string file = location(section);
  try {
    const auto text = file_text(file, key, file);
    return text ? ini_value(*text, key) : std::nullopt;
  } catch (const std::bad_alloc&) {
    fail("read", "out of memory", key, file);
  }
}

void IniFileStore::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string file = location(section);
  // Through a link (say, into a folder of dotfiles) to the file it names, so that the link stays.
  int error = 0;
  const std::string target = link_target(file, error);
  if (error != 0)
    fail("readlink", error, key, file);
  const std::string named = target == file ? file : file + " (a link to " + target + ")";

  // Nothing is made beside a device or a FIFO that the link names, not even the lock.
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    fail("read", posix::not_a_regular_file(info.st_mode), key, named);

  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made)
    fail("mkdir", made.value(), key, folder.string());

  // Read, change and replace under the lock, so that two copies of one name never lose each
  // other's keys; two links to one file share its lock.
  const SettingsFileLock lock(target, key, named);
  remove_stale_temporaries(target);
  try {
    const auto old_text = file_text(target, key, named);
    const std::string text = ini_with_value(old_text.value_or(""), key, value);
    if (old_text && *old_text == text)
      return;  // already on disk as asked
    replace_file(target, text, key, named);
  } catch (const std::bad_alloc&) {
    fail("write", "out of memory", key, named);
  }
}

}  // namespace tambrel::xdg
