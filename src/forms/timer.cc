#include "forms/timer.h"

#include "forms/application.h"

namespace tambrel::forms {

Timer::Timer(Application& app, const TimerDesign& design)
    : app_(app), name_(design.name), enabled_(design.enabled), interval_ms_(design.interval_ms) {
  if (active())
    due_ms_ = app_.clock().now_ms() + interval_ms_;
  app_.add_timer(this);
}

Timer::~Timer() {
  app_.remove_timer(this);
}

void Timer::set_enabled(bool enabled) {
  if (enabled_ == enabled)
    return;
  const bool was_active = active();
  enabled_ = enabled;
  if (!was_active && active())
    due_ms_ = app_.clock().now_ms() + interval_ms_;
}

void Timer::set_interval(int interval_ms) {
  interval_ms_ = interval_ms;
  if (active())
    due_ms_ = app_.clock().now_ms() + interval_ms_;
}

}  // namespace tambrel::forms
