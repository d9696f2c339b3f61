#include "fakes/rig.h"

namespace tambrel::testing {

Rig::Rig()
    : program(std::make_unique<Program>(
          view, Services{clock, windows, keys, processes, settings, kSection, log})) {}

Rig::~Rig() = default;

void Rig::start() {
  program->start();
}

void Rig::advance(Millis ms) {
  advance_to(clock.now_ms() + ms);
}

void Rig::advance_to(Millis when) {
  forms::Application& app = program->app();
  while (!app.ended()) {
    const auto due = app.next_due();
    if (!due || *due > when)
      break;
    // A handler that blocked may have carried time past the due moment already.
    if (*due > clock.now_ms())
      clock.set(*due);
    app.fire_due();
  }
  if (clock.now_ms() < when)
    clock.set(when);
}

}  // namespace tambrel::testing
