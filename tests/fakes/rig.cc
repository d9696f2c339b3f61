#include "fakes/rig.h"

#include <fstream>
#include <stdexcept>

namespace tambrel::testing {

const std::vector<std::string>& saved_keys() {
  static const std::vector<std::string> keys = [] {
    std::ifstream in(TAMBREL_SAVED_KEYS_FILE);
    if (!in)
      throw std::runtime_error("cannot read " TAMBREL_SAVED_KEYS_FILE);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] != '#')
        result.push_back(line);
    }
    return result;
  }();
  return keys;
}

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
