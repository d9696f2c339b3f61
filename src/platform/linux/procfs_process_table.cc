#include "platform/linux/procfs_process_table.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/error.h"
#include "platform/linux/image_name.h"

namespace tambrel::procfs {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

/// Reads up to `buffer.size()` bytes of `dir_fd`/`path` with plain syscalls; nullopt when the
/// file cannot be opened or read (the process may just have ended).
std::optional<std::string_view> read_small(int dir_fd, const char* path, std::span<char> buffer) {
  const int fd = openat(dir_fd, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::size_t used = 0;
  while (used < buffer.size()) {
    const ssize_t got = read(fd, buffer.data() + used, buffer.size() - used);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    used += static_cast<std::size_t>(got);
  }
  close(fd);
  return std::string_view(buffer.data(), used);
}

bool is_pid_name(const char* name) {
  if (*name == '\0')
    return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9')
      return false;
  }
  return true;
}

/// Whether the process in /proc/<pid_text> is an instance of `name`.
bool process_matches(int proc_fd, const char* pid_text, std::string_view name) {
  char path[64];
  std::array<char, 64> comm_buf;
  std::snprintf(path, sizeof path, "%s/comm", pid_text);
  auto comm = read_small(proc_fd, path, comm_buf);
  if (!comm)
    return false;
  if (comm->ends_with('\n'))
    comm->remove_suffix(1);
  // Most processes fail here, after one small read.
  if (*comm != name.substr(0, procfs::kCommLength))
    return false;

  std::optional<std::string_view> exe;
  std::string_view argv0;
  std::array<char, PATH_MAX> exe_buf;
  std::array<char, PATH_MAX + 1> cmdline_buf;
  if (name.size() > procfs::kCommLength) {
    std::snprintf(path, sizeof path, "%s/exe", pid_text);
    const ssize_t len = readlinkat(proc_fd, path, exe_buf.data(), exe_buf.size());
    if (len >= 0) {
      exe = std::string_view(exe_buf.data(), static_cast<std::size_t>(len));
    } else {
      // Another user's process: its exe link is closed to us, its command line is not.
      std::snprintf(path, sizeof path, "%s/cmdline", pid_text);
      if (auto cmdline = read_small(proc_fd, path, cmdline_buf)) {
        argv0 = cmdline->substr(0, cmdline->find('\0'));
      }
    }
  }
  if (!procfs::image_name_matches(name, *comm, exe, argv0))
    return false;

  std::array<char, 1024> stat_buf;
  std::snprintf(path, sizeof path, "%s/stat", pid_text);
  const auto stat = read_small(proc_fd, path, stat_buf);
  return stat && !procfs::stat_says_ended(*stat);
}

}  // namespace

ProcfsProcessTable::ProcfsProcessTable(std::string proc_root) : proc_root_(std::move(proc_root)) {}

void ProcfsProcessTable::for_each_match(std::string_view name,
                                        const std::function<bool(int pid)>& visit) {
  if (name.empty())
    return;
  std::unique_ptr<DIR, DirCloser> dir(opendir(proc_root_.c_str()));
  if (!dir) {
    throw Error("opendir " + proc_root_ + " failed: " + std::strerror(errno));
  }
  const int proc_fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (!is_pid_name(entry->d_name))
      continue;
    if (!process_matches(proc_fd, entry->d_name, name))
      continue;
    int pid = 0;
    const char* end = entry->d_name + std::strlen(entry->d_name);
    if (std::from_chars(entry->d_name, end, pid).ec != std::errc())
      continue;
    if (!visit(pid))
      return;
  }
}

std::vector<ProcessId> ProcfsProcessTable::running(std::string_view name) {
  std::vector<ProcessId> pids;
  for_each_match(name, [&](int pid) {
    pids.push_back(static_cast<ProcessId>(pid));
    return true;
  });
  return pids;
}

TerminateOutcome ProcfsProcessTable::terminate_all(std::string_view name) {
  TerminateOutcome outcome;
  const auto self = static_cast<ProcessId>(getpid());
  for (const ProcessId pid : running(name)) {
    if (pid == self)
      continue;
    if (kill(static_cast<pid_t>(pid), SIGKILL) == 0) {
      outcome.ended.push_back(pid);
      continue;
    }
    if (errno != ESRCH)
      outcome.refused.push_back("pid " + std::to_string(pid) + ": " + std::strerror(errno));
  }
  return outcome;
}

}  // namespace tambrel::procfs
