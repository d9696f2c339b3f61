#include "fakes/virtual_clock.h"

namespace tambrel::testing {

void VirtualClock::sleep_ms(Millis ms) {
  sleeps.push_back(ms);
  now_ += ms;
}

}  // namespace tambrel::testing
