#include "support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tambrel::testing {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail_errno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::optional<int> wait_pid(pid_t pid, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid)
      return status;
    if (got < 0 && errno != EINTR)
      fail_errno("waitpid");
    if (Clock::now() >= deadline)
      return std::nullopt;
    std::this_thread::sleep_for(milliseconds(5));
  }
}

std::string read_all(int fd, milliseconds timeout) {
  std::string out;
  const auto deadline = Clock::now() + timeout;
  char buf[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
      break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0)
      break;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0)
      break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace

bool poll_until(const std::function<bool()>& condition, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition())
      return true;
    if (Clock::now() >= deadline)
      return condition();
    std::this_thread::sleep_for(milliseconds(10));
  }
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tambrel-test.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    fail_errno("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Child::Child(const std::string& path, const std::vector<std::string>& argv, bool capture_stdout) {
  std::vector<char*> args;
  for (const auto& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipe_fds[2] = {-1, -1};
  if (capture_stdout) {
    if (pipe2(pipe_fds, O_CLOEXEC) != 0)
      fail_errno("pipe2");
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  }
  const int rc = posix_spawn(&pid_, path.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (capture_stdout) {
    close(pipe_fds[1]);
    out_fd_ = pipe_fds[0];
  }
  if (rc != 0) {
    errno = rc;
    fail_errno("posix_spawn " + path);
  }
}

Child::~Child() {
  if (!status_) {
    kill(pid_, SIGKILL);
    wait(milliseconds(5000));
  }
  if (out_fd_ >= 0)
    close(out_fd_);
}

std::optional<std::string> Child::read_line(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (const auto newline = buffered_.find('\n'); newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (out_fd_ < 0 || left <= 0)
      return std::nullopt;
    pollfd p{out_fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0)
      return std::nullopt;
    char buf[4096];
    const ssize_t n = read(out_fd_, buf, sizeof buf);
    if (n <= 0)
      return std::nullopt;
    buffered_.append(buf, static_cast<std::size_t>(n));
  }
}

std::optional<int> Child::wait(milliseconds timeout) {
  if (!status_)
    status_ = wait_pid(pid_, timeout);
  return status_;
}

std::optional<ForkResult> run_forked(const std::function<int()>& body, milliseconds timeout) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    fail_errno("pipe2");
  // What this process has not written yet would otherwise reach the child's output too.
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0)
    fail_errno("fork");
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    int code = 100;
    try {
      code = body();
    } catch (const std::exception& e) {
      const std::string text = std::string("uncaught: ") + e.what() + "\n";
      (void)!write(STDERR_FILENO, text.data(), text.size());
    }
    _exit(code);
  }
  close(fds[1]);
  // Read until the child closes its end (it ends), then collect its status.
  std::string output = read_all(fds[0], timeout);
  close(fds[0]);
  auto status = wait_pid(pid, milliseconds(1000));
  if (!status) {
    kill(pid, SIGKILL);
    wait_pid(pid, milliseconds(5000));
    return std::nullopt;
  }
  return ForkResult{*status, std::move(output)};
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
  if (const char* old = std::getenv(name))
    saved_ = old;
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (saved_) {
    setenv(name_.c_str(), saved_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace tambrel::testing
