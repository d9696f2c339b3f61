#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/activity_log.h"

namespace tambrel::testing {

/// Keeps every event the program states, unstamped.
class RecordingLog : public ActivityLog {
 public:
  void record(std::string_view event) override { events.emplace_back(event); }
  /// The events that begin with `prefix`, in order.
  std::vector<std::string> starting(std::string_view prefix) const;

  std::vector<std::string> events;
};

}  // namespace tambrel::testing
