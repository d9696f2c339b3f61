#pragma once

#include <string_view>

namespace tambrel {

/// The per-copy activity log: what the program did and why, one line per event, so a run can be
/// explained afterwards. The program only states events; stamping, storing and rotating are the
/// log's business.
class ActivityLog {
 public:
  virtual ~ActivityLog() = default;
  /// Appends one event, stamped with the local time. Never throws and never changes what the
  /// program does: a log that cannot be written loses the line.
  virtual void record(std::string_view event) = 0;

  /// A log that keeps nothing, for programs and tests that want no log.
  static ActivityLog& none();
};

}  // namespace tambrel
