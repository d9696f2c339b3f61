#include "platform/posix/unique_fd.h"

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

}  // namespace tambrel::posix
