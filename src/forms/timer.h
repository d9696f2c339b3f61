#pragma once

#include <string>

#include "forms/design.h"
#include "platform/clock.h"

namespace tambrel::forms {

class Application;

/// A form's timer. It is active while enabled with an interval above 0, and its first tick is due
/// one interval after it becomes active. Assigning an interval restarts the period; enabling an
/// enabled timer does not. Ticks are scheduled by the Application on its Clock.
class Timer {
 public:
  Timer(Application& app, const TimerDesign& design);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled);
  int interval_ms() const { return interval_ms_; }
  void set_interval(int interval_ms);
  bool active() const { return enabled_ && interval_ms_ > 0; }
  /// When the next tick is due; meaningful only while active().
  Millis due_ms() const { return due_ms_; }

 private:
  friend class Application;
  Application& app_;
  std::string name_;
  bool enabled_;
  int interval_ms_;
  Millis due_ms_ = 0;
};

}  // namespace tambrel::forms
