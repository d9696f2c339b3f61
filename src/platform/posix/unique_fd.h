#pragma once

#include <string_view>

namespace tambrel::posix {

/// Owns a file descriptor and closes it when it goes out of scope, unless released first. A
/// negative number owns nothing, so the result of a failed open(2) can be held and tested.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  /// Gives the descriptor up without closing it.
  int release();
  /// Closes the descriptor held, if any, and holds `fd` instead.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

/// Writes all of `text` to `fd`, resuming after short writes and interruptions; false with errno
/// set when a write fails.
bool write_all(int fd, std::string_view text);

}  // namespace tambrel::posix
