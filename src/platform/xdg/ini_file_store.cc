#include "platform/xdg/ini_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/error.h"
#include "platform/posix/errno_text.h"
#include "platform/posix/unique_fd.h"
#include "platform/xdg/ini_text.h"
#include "platform/xdg/xdg_dirs.h"

namespace tambrel::xdg {

namespace {

using posix::UniqueFd;

[[noreturn]] void fail(const char* call, int error, std::string_view key, const std::string& file) {
  throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
              file + ": " + posix::errno_text(error));
}

/// The file's whole text; nullopt when it does not exist (nor the directories above it).
std::optional<std::string> file_text(const std::string& file, std::string_view key) {
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      return std::nullopt;
    fail("open", errno, key, file);
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      fail("read", errno, key, file);
    if (n == 0)
      return text;
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

/// Writes all of `text` to `fd`, resuming after short writes.
bool write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (n == 0)
        errno = EIO;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
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
  const auto text = file_text(location(section), key);
  return text ? ini_value(*text, key) : std::nullopt;
}

void IniFileStore::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string file = location(section);
  const auto old_text = file_text(file, key);
  const std::string text = ini_with_value(old_text.value_or(""), key, value);
  if (old_text && *old_text == text)
    return;  // already on disk as asked

  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    fail("mkdir", error.value(), key, folder.string());

  // The old file's permissions carry over; a new file is the user's alone.
  struct stat old_stat {};
  const mode_t mode = ::stat(file.c_str(), &old_stat) == 0 ? (old_stat.st_mode & 07777) : 0600;
  std::string temporary = file + ".XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0)
    fail("mkostemp", errno, key, file);
  // Whatever fails from here on, the old file stays and the temporary one goes.
  auto abandon = [&](const char* call) {
    const int saved = errno;
    if (fd.get() >= 0)
      ::close(fd.release());
    ::unlink(temporary.c_str());
    fail(call, saved, key, file);
  };
  if (::fchmod(fd.get(), mode) != 0)
    abandon("fchmod");
  if (!write_all(fd.get(), text))
    abandon("write");
  if (::fsync(fd.get()) != 0)
    abandon("fsync");
  if (::close(fd.release()) != 0)
    abandon("close");
  if (::rename(temporary.c_str(), file.c_str()) != 0)
    abandon("rename");
  // Makes the rename itself durable; the file is whole either way, so a failure here is no loss.
  UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0)
    ::fsync(directory.get());
}

}  // namespace tambrel::xdg
