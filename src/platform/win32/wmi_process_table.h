#pragma once

#include "platform/process_table.h"

namespace tambrel::win32 {

/// Processes through WMI (ROOT\CIMV2, Win32_Process), bound afresh for each call. Termination
/// uses Win32_Process.Terminate, or TerminateProcess on the process id where WMI does not
/// implement that method. The calling process is never terminated.
class WmiProcessTable : public ProcessTable {
 public:
  std::vector<ProcessId> running(std::string_view name) override;
  TerminateOutcome terminate_all(std::string_view name) override;
};

}  // namespace tambrel::win32
