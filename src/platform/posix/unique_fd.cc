#include "platform/posix/unique_fd.h"

#include <errno.h>
#include <unistd.h>

#include <utility>

namespace tambrel::posix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other)
    reset(other.release());
  return *this;
}

int UniqueFd::release() {
  return std::exchange(fd_, -1);
}

void UniqueFd::reset(int fd) {
  // close(2) releases the descriptor even when it reports an error: never retried.
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = fd;
}

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

}  // namespace tambrel::posix
