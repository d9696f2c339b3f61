#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/process_table.h"

namespace tambrel::win32 {

class WmiSession;

/// Processes through WMI (ROOT\CIMV2, Win32_Process) over one connection kept for the table's
/// life and made anew once when a call finds it broken. Termination uses Win32_Process.Terminate,
/// or TerminateProcess on the process id where WMI does not implement that method. The calling
/// process is never terminated.
class WmiProcessTable : public ProcessTable {
 public:
  WmiProcessTable();
  ~WmiProcessTable() override;

  /// The matches of the previous call for the same name that still run under that image name
  /// with the same creation time (asked of the process itself, no WMI query); when none does,
  /// every match WMI lists, remembered for the next call.
  std::vector<ProcessId> running(std::string_view name) override;
  TerminateOutcome terminate_all(std::string_view name) override;
  std::string_view image_ending() const override { return ".exe"; }

  /// Every match WMI lists; remembers nothing.
  std::vector<ProcessId> query(std::string_view name);

  /// How many connections to WMI and how many queries this table has made so far.
  int connections_made() const { return connections_; }
  int queries_made() const { return queries_; }

 private:
  /// Runs `call` on the kept connection, connecting first where there is none; a call that
  /// finds the connection broken is run once more on a new one.
  void with_session(const std::function<void(WmiSession&)>& call);

  struct Match {
    ProcessId pid;
    std::uint64_t created;
  };

  std::unique_ptr<WmiSession> session_;
  std::string remembered_name_;
  std::vector<Match> remembered_;
  int connections_ = 0;
  int queries_ = 0;
};

}  // namespace tambrel::win32
