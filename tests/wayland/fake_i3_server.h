#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tambrel::testing {

/// A compositor's IPC socket in a temporary directory, served by a thread: each request is
/// answered by `answer`, written in chunks of `chunk` bytes. Records every request.
class FakeI3Server {
 public:
  struct Request {
    std::uint32_t type;
    std::string payload;
  };
  /// What the compositor does with one request.
  struct Reply {
    Reply() = default;
    Reply(std::string text) : payload(std::move(text)) {}  // NOLINT: a reply is its payload
    std::string payload;
    std::optional<std::uint32_t> type;  ///< the request's type when unset
    bool hang_up_instead = false;       ///< close the connection without replying
    bool stay_silent = false;           ///< keep the connection open and never reply
    std::string raw;                    ///< when set, sent as is instead of a framed reply
  };
  using Answer = std::function<Reply(const Request&)>;

  explicit FakeI3Server(Answer answer, std::size_t chunk = 1 << 16);
  ~FakeI3Server();
  FakeI3Server(const FakeI3Server&) = delete;
  FakeI3Server& operator=(const FakeI3Server&) = delete;

  const std::string& path() const { return path_; }
  std::vector<Request> requests();
  /// The RUN_COMMAND payloads, in order.
  std::vector<std::string> commands();
  /// Removes the socket: the compositor has gone.
  void go_away();

  /// A framed i3 IPC message.
  static std::string frame(std::uint32_t type, const std::string& payload);

 private:
  void serve();
  void serve_connection(int fd);

  Answer answer_;
  std::size_t chunk_;
  std::string dir_;
  std::string path_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  std::mutex mutex_;
  std::vector<Request> requests_;
  std::thread thread_;
};

/// A GET_TREE reply in the shape sway gives: an output with one workspace holding `tiled`
/// windows and `floating` ones. Each window is {con_id, title, x11 id or 0, focused}.
struct TreeWindow {
  std::int64_t con_id;
  std::string title;
  std::uint64_t x11 = 0;
  bool focused = false;
};
std::string sway_tree(const std::vector<TreeWindow>& tiled,
                      const std::vector<TreeWindow>& floating = {});

}  // namespace tambrel::testing
