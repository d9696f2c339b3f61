#pragma once

#include <cstdint>

namespace tambrel {

/// Milliseconds on a monotonic time line.
using Millis = std::int64_t;

/// Monotonic time and a blocking pause. Tests use a virtual clock whose sleep advances time.
class Clock {
 public:
  virtual ~Clock() = default;
  /// Milliseconds since an arbitrary fixed start; never goes backwards.
  virtual Millis now_ms() = 0;
  /// Blocks the calling (user-interface) thread for `ms` milliseconds.
  virtual void sleep_ms(Millis ms) = 0;
};

/// The real clock: std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyClock : public Clock {
 public:
  Millis now_ms() override;
  void sleep_ms(Millis ms) override;
};

}  // namespace tambrel
