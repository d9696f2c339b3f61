#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process_table.h"

namespace tambrel::procfs {

/// The process table read from /proc; image names are matched by procfs::image_name_matches.
/// Processes that have ended but wait to be reaped (zombies) no longer count as running.
class ProcfsProcessTable : public ProcessTable {
 public:
  /// Reads from `proc_root` (normally "/proc"); nothing is opened until a query.
  explicit ProcfsProcessTable(std::string proc_root = "/proc");

  /// Every match, in /proc order.
  std::vector<ProcessId> running(std::string_view name) override;
  /// Sends SIGKILL to every match except the calling process; a process already gone is not a
  /// refusal.
  TerminateOutcome terminate_all(std::string_view name) override;

 private:
  /// Calls `visit` for each match until it returns false.
  void for_each_match(std::string_view name, const std::function<bool(int pid)>& visit);

  std::string proc_root_;
};

}  // namespace tambrel::procfs
