#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/comm_files.h"
#include "platform/process_table.h"

namespace tambrel::procfs {

/// The process table read from /proc; image names are matched by procfs::image_name_matches.
/// Kernel threads never match. A process that has ended but waits to be reaped (a zombie) no
/// longer counts as running, unless only its main thread ended and other threads still run.
class ProcfsProcessTable : public ProcessTable {
 public:
  /// Reads from `proc_root` (normally "/proc"); nothing is opened until a query.
  explicit ProcfsProcessTable(std::string proc_root = "/proc");

  /// The matches of the previous call for the same name that are still those processes (same
  /// pid and start time) and still match; when none is, every match by a full scan, in /proc
  /// order, remembered for the next call.
  std::vector<ProcessId> running(std::string_view name) override;
  /// Sends SIGKILL to every match of a full scan except the calling process, through a pidfd
  /// confirmed to be the process scanned (kill(2) after a start-time check on kernels without
  /// pidfds). A process already gone is not a refusal.
  TerminateOutcome terminate_all(std::string_view name) override;

  /// Every match by a full scan, in /proc order; remembers nothing.
  std::vector<ProcessId> scan(std::string_view name);

  /// One process as the table knows it: the pid and when it started, which together never
  /// name another process even after the pid is reused.
  struct Match {
    ProcessId pid;
    std::uint64_t start_time;
  };

 private:
  std::vector<Match> scan_matches(std::string_view name);

  std::string proc_root_;
  CommFiles comm_files_;
  std::string remembered_name_;
  std::vector<Match> remembered_;
};

}  // namespace tambrel::procfs
