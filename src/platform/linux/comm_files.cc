#include "platform/linux/comm_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

namespace tambrel::procfs {

namespace {

constexpr long kProcSuperMagic = 0x9fa0;  // PROC_SUPER_MAGIC, <linux/magic.h>
constexpr std::size_t kMostKept = 2048;

std::size_t keep_limit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return kMostKept;
  return std::min<std::size_t>(kMostKept, static_cast<std::size_t>(limit.rlim_cur / 4));
}

ssize_t read_at_start(int fd, std::span<char> buffer) {
  ssize_t got;
  do {
    got = pread(fd, buffer.data(), buffer.size(), 0);
  } while (got < 0 && errno == EINTR);
  return got;
}

std::string_view line(std::span<char> buffer, ssize_t got) {
  std::string_view text(buffer.data(), static_cast<std::size_t>(got));
  if (text.ends_with('\n'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

CommFiles::~CommFiles() {
  for (const auto& [pid, kept] : kept_)
    close(kept.fd);
}

void CommFiles::begin_scan(int proc_fd) {
  // The table reads one /proc for good: whether it is a procfs is asked at the first scan only.
  if (!limit_) {
    struct statfs fs {};
    const bool procfs =
        fstatfs(proc_fd, &fs) == 0 && static_cast<long>(fs.f_type) == kProcSuperMagic;
    limit_ = procfs ? keep_limit() : 0;
  }
  for (auto& [pid, kept] : kept_)
    kept.seen = false;
}

std::optional<std::string_view> CommFiles::read(int proc_fd, ProcessId pid,
                                                std::span<char> buffer) {
  if (const auto it = kept_.find(pid); it != kept_.end()) {
    const ssize_t got = read_at_start(it->second.fd, buffer);
    if (got >= 0) {
      it->second.seen = true;
      return line(buffer, got);
    }
    // Reaped: the pid may be another process's by now, which is opened below.
    forget(it);
  }
  char path[32];
  std::snprintf(path, sizeof path, "%u/comm", pid);
  const int fd = openat(proc_fd, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  const ssize_t got = read_at_start(fd, buffer);
  if (got >= 0 && kept_.size() < limit_.value_or(0))
    kept_.emplace(pid, Kept{fd, true});
  else
    close(fd);
  if (got < 0)
    return std::nullopt;
  return line(buffer, got);
}

void CommFiles::end_scan() {
  for (auto it = kept_.begin(); it != kept_.end();) {
    const auto next = std::next(it);
    if (!it->second.seen)
      forget(it);
    it = next;
  }
}

void CommFiles::forget(std::unordered_map<ProcessId, Kept>::iterator it) {
  close(it->second.fd);
  kept_.erase(it);
}

}  // namespace tambrel::procfs
