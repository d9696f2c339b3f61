#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

/// The running processes, matched by image name (the executable's file name, e.g. notepad.exe).
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  /// True when at least one process with image name `name` runs. An empty name matches nothing.
  /// Throws Error when the process list cannot be read (e.g. the query is refused).
  virtual bool is_running(std::string_view name) = 0;
  /// Terminates every process with image name `name`. Returns one line for each process that
  /// could not be terminated ("pid 123: Access is denied"); empty when all ended or none ran.
  /// Throws Error when the process list cannot be read.
  virtual std::vector<std::string> terminate_all(std::string_view name) = 0;
};

}  // namespace tambrel
