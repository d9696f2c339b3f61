#include "platform/xdg/ini_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/error.h"
#include "platform/xdg/ini_text.h"
#include "platform/xdg/xdg_dirs.h"

namespace tambrel::xdg {

namespace {

/// The system's reason for `error`, as it reads after a colon ("no space left on device").
std::string reason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z'))
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

[[noreturn]] void fail(const char* call, int error, std::string_view key, const std::string& file) {
  throw Error(std::string(call) + " failed for the setting \"" + std::string(key) + "\" in " +
              file + ": " + reason(error));
}

/// Closes a descriptor it owns unless released.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

/// The file's whole text; nullopt when it does not exist (nor the directories above it).
std::optional<std::string> file_text(const std::string& file, std::string_view key) {
  Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
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
  Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
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
  Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0)
    ::fsync(directory.get());
}

}  // namespace tambrel::xdg
