#include "fake_i3_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace tambrel::testing {

namespace {

bool read_exactly(int fd, char* out, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::recv(fd, out + done, size - done, 0);
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void write_in_chunks(int fd, const std::string& data, std::size_t chunk) {
  for (std::size_t at = 0; at < data.size(); at += chunk) {
    const std::size_t n = std::min(chunk, data.size() - at);
    if (::send(fd, data.data() + at, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n))
      return;
  }
}

QJsonObject window_node(const TreeWindow& w, const char* type) {
  QJsonObject node{{"id", static_cast<qint64>(w.con_id)},
                   {"type", type},
                   {"name", QString::fromStdString(w.title)},
                   {"focused", w.focused},
                   {"nodes", QJsonArray()},
                   {"floating_nodes", QJsonArray()}};
  if (w.x11 != 0) {
    node["window"] = static_cast<qint64>(w.x11);
    node["shell"] = "xwayland";
  } else {
    node["app_id"] = "foot";
    node["shell"] = "xdg_shell";
  }
  return node;
}

}  // namespace

std::string FakeI3Server::frame(std::uint32_t type, const std::string& payload) {
  std::string out = "i3-ipc";
  const auto length = static_cast<std::uint32_t>(payload.size());
  out.append(reinterpret_cast<const char*>(&length), 4);
  out.append(reinterpret_cast<const char*>(&type), 4);
  return out + payload;
}

FakeI3Server::FakeI3Server(Answer answer, std::size_t chunk)
    : answer_(std::move(answer)), chunk_(chunk) {
  char dir[] = "/tmp/tambrel-fake-ipc.XXXXXX";
  if (!mkdtemp(dir))
    throw std::runtime_error("mkdtemp failed");
  dir_ = dir;
  path_ = dir_ + "/sway-ipc.sock";
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listen_fd_, 8) != 0 || ::pipe(wake_) != 0) {
    throw std::runtime_error("fake IPC socket could not listen");
  }
  thread_ = std::thread([this] { serve(); });
}

FakeI3Server::~FakeI3Server() {
  const char stop = 's';
  (void)!::write(wake_[1], &stop, 1);
  thread_.join();
  ::close(listen_fd_);
  ::close(wake_[0]);
  ::close(wake_[1]);
  ::unlink(path_.c_str());
  ::rmdir(dir_.c_str());
}

void FakeI3Server::go_away() {
  ::unlink(path_.c_str());
}

std::vector<FakeI3Server::Request> FakeI3Server::requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> FakeI3Server::commands() {
  std::vector<std::string> out;
  for (const Request& r : requests()) {
    if (r.type == 0)
      out.push_back(r.payload);
  }
  return out;
}

void FakeI3Server::serve() {
  std::vector<int> silent;  // connections left open without a reply, closed at the end
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0)
      continue;
    if (fds[1].revents != 0)
      break;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
      continue;
    char header[14];
    bool keep_open = false;
    while (read_exactly(fd, header, sizeof header)) {
      std::uint32_t length = 0;
      std::uint32_t type = 0;
      std::memcpy(&length, header + 6, 4);
      std::memcpy(&type, header + 10, 4);
      std::string payload(length, '\0');
      if (!read_exactly(fd, payload.data(), length))
        break;
      Request request{type, payload};
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      Reply reply = answer_(request);
      if (reply.hang_up_instead)
        break;
      if (reply.stay_silent) {
        keep_open = true;
        break;
      }
      write_in_chunks(
          fd, reply.raw.empty() ? frame(reply.type.value_or(type), reply.payload) : reply.raw,
          chunk_);
    }
    if (keep_open)
      silent.push_back(fd);
    else
      ::close(fd);
  }
  for (const int fd : silent)
    ::close(fd);
}

std::string sway_tree(const std::vector<TreeWindow>& tiled,
                      const std::vector<TreeWindow>& floating) {
  QJsonArray tiled_nodes;
  for (const TreeWindow& w : tiled)
    tiled_nodes.append(window_node(w, "con"));
  QJsonArray floating_nodes;
  for (const TreeWindow& w : floating)
    floating_nodes.append(window_node(w, "floating_con"));
  const QJsonObject workspace{
      {"id", 4},          {"type", "workspace"},  {"name", "1"},
      {"focused", false}, {"nodes", tiled_nodes}, {"floating_nodes", floating_nodes}};
  const QJsonObject output{{"id", 3},
                           {"type", "output"},
                           {"name", "HEADLESS-1"},
                           {"nodes", QJsonArray{workspace}},
                           {"floating_nodes", QJsonArray()}};
  const QJsonObject root{{"id", 1},
                         {"type", "root"},
                         {"name", "root"},
                         {"nodes", QJsonArray{output}},
                         {"floating_nodes", QJsonArray()}};
  return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace tambrel::testing
