#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tambrel::wayland {

/// i3 IPC message types TAMBREL sends (sway speaks the same protocol).
enum class I3Message : std::uint32_t { run_command = 0, get_tree = 4 };

/// The largest reply accepted: a desktop with thousands of windows stays far below it, and a
/// corrupt length field does not make us allocate gigabytes.
inline constexpr std::uint32_t kMaxI3Reply = 64u << 20;

/// One request and its reply over the compositor's UNIX socket: the "i3-ipc" magic, the payload
/// length and the message type in native byte order, then the payload. Each request uses a
/// connection of its own, so a compositor that restarted between two requests is simply found
/// again. Every wait is bounded by `timeout`.
class I3Ipc {
 public:
  explicit I3Ipc(std::string socket_path,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

  /// Sends `payload` as a message of `type` and returns the reply's payload. Throws Error naming
  /// the call that failed: connect, write, read (the compositor went away or stayed silent past
  /// the timeout), or a reply that is not an i3 IPC reply to this message.
  std::string request(I3Message type, std::string_view payload) const;

  const std::string& socket_path() const { return socket_path_; }

 private:
  std::string socket_path_;
  std::chrono::milliseconds timeout_;
};

}  // namespace tambrel::wayland
