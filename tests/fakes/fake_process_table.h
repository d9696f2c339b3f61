#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/process_table.h"

namespace tambrel::testing {

/// A process list that tests start and stop processes in; it can refuse terminations and fail
/// queries. Names compare exactly.
class FakeProcessTable : public ProcessTable {
 public:
  struct Process {
    ProcessId pid;
    std::string name;
    bool refuses_termination = false;
  };

  ProcessId start(std::string name, bool refuses_termination = false);
  void stop_all(const std::string& name);
  int count(const std::string& name) const;

  std::vector<ProcessId> running(std::string_view name) override;
  TerminateOutcome terminate_all(std::string_view name) override;
  std::vector<NearProcess> near_misses(std::string_view /*name*/) override {
    return near_processes;
  }

  std::vector<Process> processes;
  /// What near_misses() answers, whatever the name.
  std::vector<NearProcess> near_processes;
  /// When set, every query throws an Error with this text.
  std::string fail_queries_with;
  /// Runs at the start of each terminate_all, before anything is terminated.
  std::function<void()> before_terminate;
  /// Every call, e.g. "running notepad.exe", "terminate notepad.exe".
  std::vector<std::string> calls;

 private:
  ProcessId next_pid_ = 1000;
};

}  // namespace tambrel::testing
