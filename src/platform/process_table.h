#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

/// A process id as the system gives it (Linux pid_t, Windows DWORD).
using ProcessId = std::uint32_t;

/// What one terminate_all call did.
struct TerminateOutcome {
  std::vector<ProcessId> ended;      ///< terminated by this call
  std::vector<std::string> refused;  ///< one line per refusal: "pid 123: <system's reason>"
};

/// A running process of another name than the one typed, which the user may have meant.
struct NearProcess {
  ProcessId pid;
  std::string name;  ///< the name to type for it
};

/// The running processes, matched by image name (the executable's file name, e.g. notepad.exe).
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  /// The ids of running processes with image name `name`; empty when none runs. (Non-empty
  /// exactly when a full scan would find one; a fast path may list only the ids it remembers.)
  /// An empty name matches nothing. Throws Error when the process list cannot be read (e.g. the
  /// query is refused).
  virtual std::vector<ProcessId> running(std::string_view name) = 0;
  /// Terminates every process with image name `name` except the calling one (see
  /// TerminateOutcome); a process that ends by itself meanwhile is no refusal. Throws Error
  /// when the process list cannot be read.
  virtual TerminateOutcome terminate_all(std::string_view name) = 0;
  /// Whether `pid` is a running process of the name `name`, by the rule running() follows.
  virtual bool owns(ProcessId pid, std::string_view name) {
    for (const ProcessId id : running(name)) {
      if (id == pid)
        return true;
    }
    return false;
  }
  /// Convenience: !running(name).empty().
  bool is_running(std::string_view name) { return !running(name).empty(); }
  /// The ending every image name has on this system (".exe" on Windows), for the hint beside a
  /// name that matches nothing; empty where names have no fixed ending.
  virtual std::string_view image_ending() const { return {}; }
  /// For the hint beside a name that matches nothing: the running processes the user may have
  /// meant by `name`, each with the name that finds it; empty where the system tells none.
  /// Never throws.
  virtual std::vector<NearProcess> near_misses(std::string_view /*name*/) { return {}; }
};

}  // namespace tambrel
