#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "platform/process_table.h"

namespace tambrel::procfs {

/// Reads processes' /proc/<pid>/comm, keeping each file open from one scan to the next so that a
/// later scan reads a name with one pread(2) instead of open, read and close, about a fifth of
/// the cost. A kept descriptor stays bound to its process, not to the pid: after an exec it reads
/// the new name, and once the process has been reaped it fails (ESRCH) even when the pid has been
/// given to another process, which is then opened afresh.
///
/// Only on a real procfs, where those rules hold, and for at most a quarter of the soft
/// RLIMIT_NOFILE (at most 2,048 files): the rest of the program keeps the descriptors it needs.
class CommFiles {
 public:
  CommFiles() = default;
  CommFiles(const CommFiles&) = delete;
  CommFiles& operator=(const CommFiles&) = delete;
  ~CommFiles();

  /// Prepares a scan of the /proc open as `proc_fd`; descriptors are kept only when it is a
  /// procfs (asked at the first scan).
  void begin_scan(int proc_fd);
  /// The comm of `pid` (its trailing newline removed), read into `buffer`; nullopt when the
  /// process has ended or cannot be read.
  std::optional<std::string_view> read(int proc_fd, ProcessId pid, std::span<char> buffer);
  /// Closes the files of processes not read since begin_scan: they have ended.
  void end_scan();

  /// How many files are kept open now.
  std::size_t kept() const { return kept_.size(); }

 private:
  struct Kept {
    int fd;
    bool seen;
  };
  void forget(std::unordered_map<ProcessId, Kept>::iterator it);

  std::unordered_map<ProcessId, Kept> kept_;
  std::optional<std::size_t> limit_;  ///< how many files may be kept; known from the first scan
};

}  // namespace tambrel::procfs
