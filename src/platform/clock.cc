#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace tambrel {

Millis SteadyClock::now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleep_ms(Millis ms) {
  if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tambrel
