#include "platform/wayland/i3_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/posix/errno_text.h"
#include "platform/posix/unique_fd.h"

namespace tambrel::wayland {

namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeaderSize = kMagic.size() + 2 * sizeof(std::uint32_t);
using Clock = std::chrono::steady_clock;

using posix::errno_text;

/// Waits until `fd` is ready for `events` or the deadline has passed.
bool wait_ready(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
      return false;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left));
    if (n > 0)
      return true;
    if (n < 0 && errno != EINTR)
      return false;
  }
}

void write_all(int fd, std::string_view data, Clock::time_point deadline,
               const std::string& where) {
  while (!data.empty()) {
    if (!wait_ready(fd, POLLOUT, deadline))
      throw Error("write to " + where + " failed: timed out");
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN)
        continue;
      throw Error("write to " + where + " failed: " + errno_text(errno));
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

/// Reads exactly `size` bytes, however the compositor splits them.
std::string read_exactly(int fd, std::size_t size, Clock::time_point deadline,
                         const std::string& where) {
  std::string data(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    if (!wait_ready(fd, POLLIN, deadline))
      throw Error("read from " + where + " failed: no reply within the time limit");
    const ssize_t n = ::recv(fd, data.data() + done, size - done, 0);
    if (n == 0)
      throw Error("read from " + where + " failed: the compositor closed the connection");
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN)
        continue;
      throw Error("read from " + where + " failed: " + errno_text(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  return data;
}

}  // namespace

I3Ipc::I3Ipc(std::string socket_path, std::chrono::milliseconds timeout)
    : socket_path_(std::move(socket_path)), timeout_(timeout) {}

std::string I3Ipc::request(I3Message type, std::string_view payload) const {
  const auto deadline = Clock::now() + timeout_;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path_.empty() || socket_path_.size() >= sizeof address.sun_path)
    throw Error("connect to the IPC socket \"" + socket_path_ + "\" failed: not a usable path");
  std::memcpy(address.sun_path, socket_path_.data(), socket_path_.size());

  posix::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socket.get() < 0)
    throw Error("socket failed: " + errno_text(errno));
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    throw Error("connect to " + socket_path_ + " failed: " + errno_text(errno));
  }

  std::string message(kMagic);
  const auto length = static_cast<std::uint32_t>(payload.size());
  const auto code = static_cast<std::uint32_t>(type);
  message.append(reinterpret_cast<const char*>(&length), sizeof length);
  message.append(reinterpret_cast<const char*>(&code), sizeof code);
  message.append(payload);
  write_all(socket.get(), message, deadline, socket_path_);

  const std::string header = read_exactly(socket.get(), kHeaderSize, deadline, socket_path_);
  if (std::string_view(header).substr(0, kMagic.size()) != kMagic)
    throw Error("read from " + socket_path_ + " failed: the reply is not an i3 IPC message");
  std::uint32_t reply_length = 0;
  std::uint32_t reply_type = 0;
  std::memcpy(&reply_length, header.data() + kMagic.size(), sizeof reply_length);
  std::memcpy(&reply_type, header.data() + kMagic.size() + sizeof reply_length, sizeof reply_type);
  if (reply_type != code) {
    throw Error("read from " + socket_path_ + " failed: a reply of type " +
                std::to_string(reply_type) + " to a request of type " + std::to_string(code));
  }
  if (reply_length > kMaxI3Reply) {
    throw Error("read from " + socket_path_ + " failed: a reply of " +
                std::to_string(reply_length) + " bytes is beyond any window tree");
  }
  return read_exactly(socket.get(), reply_length, deadline, socket_path_);
}

}  // namespace tambrel::wayland
