#pragma once

#include <vector>

#include "platform/clock.h"

namespace tambrel::testing {

/// A clock that only moves when told to; sleeping moves it too, and is recorded.
class VirtualClock : public Clock {
 public:
  Millis now_ms() override { return now_; }
  void sleep_ms(Millis ms) override;
  void set(Millis now) { now_ = now; }

  std::vector<Millis> sleeps;

 private:
  Millis now_ = 0;
};

}  // namespace tambrel::testing
