#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/comm_files.h"
#include "platform/process_table.h"

namespace tambrel::procfs {

/// True when process `pid` is now a running process of the name `name`, by the rule of
/// procfs::image_name_matches: its comm for a name shorter than 15 bytes, else its comm and one of
/// its long names (executable, argv[0], a "#!" script). Any user's process; kernel threads and
/// ended processes never. Reads `proc_root`; false when it cannot be read.
bool is_process_named(ProcessId pid, std::string_view name, const std::string& proc_root = "/proc");

/// The process table read from /proc; image names are matched as is_process_named says.
/// Unless the program runs as root, only processes whose real user id is the program's own count
/// (those it may end): another user's process of the name is neither running nor ended.
/// Kernel threads never match. A process that has ended but waits to be reaped (a zombie) no
/// longer counts as running, unless only its main thread ended and other threads still run.
class ProcfsProcessTable : public ProcessTable {
 public:
  /// How long running() answers from the matches it remembers before it scans every process
  /// again, so that a process of the name started since is listed too. A full scan costs about
  /// a millisecond against a hundredth of that for the remembered check: every third watcher
  /// tick keeps the ids shown at most three seconds behind for a few hundredths of a percent of
  /// one core.
  static constexpr std::chrono::milliseconds kRefreshInterval{3000};

  /// Reads from `proc_root` (normally "/proc"); nothing is opened until a query.
  explicit ProcfsProcessTable(std::string proc_root = "/proc",
                              std::chrono::milliseconds refresh = kRefreshInterval);

  /// The matches of the previous call for the same name that are still those processes (same
  /// pid and start time) and still match, while the last full scan is less than `refresh` old;
  /// otherwise, or when none is left, every match by a full scan, in /proc order, remembered for
  /// the next call.
  std::vector<ProcessId> running(std::string_view name) override;
  /// Sends SIGKILL to every match of a full scan except the calling process (see terminate).
  TerminateOutcome terminate_all(std::string_view name) override;
  /// is_process_named, read from this table's /proc: no scan of the others.
  bool owns(ProcessId pid, std::string_view name) override {
    return is_process_named(pid, name, proc_root_);
  }

  /// The processes that count (see above) and are no match but share the first 15 bytes of
  /// `name` (a name the kernel cut, typed as ps shows it), or whose executable's file name is
  /// `name` while they run under another (started through a link), each with name_to_type_of.
  /// Asked again for the same name within `refresh`, it answers from its last look.
  std::vector<NearProcess> near_misses(std::string_view name) override;

  /// Every match by a full scan, in /proc order; remembers nothing.
  std::vector<ProcessId> scan(std::string_view name);

  /// One process as the table knows it: the pid and when it started, which together never
  /// name another process even after the pid is reused.
  struct Match {
    ProcessId pid;
    std::uint64_t start_time;
  };
  /// scan, with each process's start time.
  std::vector<Match> scan_matches(std::string_view name);
  /// Sends SIGKILL to each of `matches` that is still that process, except the calling process,
  /// through a pidfd confirmed to be the process scanned (kill(2) after a start-time check on
  /// kernels without pidfds). A process already gone, or whose pid another has taken, is not a
  /// refusal.
  TerminateOutcome terminate(const std::vector<Match>& matches);

 private:
  std::string proc_root_;
  std::chrono::milliseconds refresh_;
  std::optional<std::uint32_t> owner_;  ///< the real user id that counts; any as root
  CommFiles comm_files_;
  std::string remembered_name_;
  std::vector<Match> remembered_;
  std::chrono::steady_clock::time_point scanned_at_;
  std::string near_name_;
  std::vector<NearProcess> near_;
  std::chrono::steady_clock::time_point near_at_;
};

}  // namespace tambrel::procfs
