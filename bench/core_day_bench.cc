// One virtual day of the core: the watcher, the always-on-top keeper and the exit countdown
// (waiting for a process that never ends, so it starts its eight seconds over all day) ticking
// for 86,400 virtual seconds on a virtual clock. The desktop services do nothing, so the time
// measured is the forms runtime's and the handlers' own.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "fakes/memory_store.h"
#include "fakes/virtual_clock.h"
#include "forms/application.h"
#include "platform/form_view.h"
#include "platform/key_sender.h"
#include "platform/process_table.h"
#include "platform/window_manager.h"
#include "shell/startup.h"

namespace {

using tambrel::Millis;
using tambrel::WindowId;

class NullView : public tambrel::FormView {
 public:
  void create(tambrel::forms::Form&) override {}
  void show(tambrel::forms::Form&) override {}
  void show_modal(tambrel::forms::Form&, tambrel::forms::Form&) override {}
  void destroy(tambrel::forms::Form&) override {}
  void control_changed(tambrel::forms::Form&, tambrel::forms::Control&,
                       tambrel::Property) override {}
  void form_changed(tambrel::forms::Form&, tambrel::Property) override {}
  WindowId native_window(tambrel::forms::Form&) override { return 1; }
  void schedule_wake(std::optional<Millis>) override {}
  void announce(tambrel::forms::Form&, const tambrel::forms::Control*, std::string_view) override {}
  void message_box(std::string_view, std::string_view) override { ++message_boxes; }
  void quit() override {}
  int message_boxes = 0;
};

/// A target window that ignores the close request, in the background.
class QuietWindows : public tambrel::WindowManager {
 public:
  WindowId find_window(std::string_view) override { return 7; }
  void post_close(WindowId) override {}
  WindowId activate(std::string_view) override { return 7; }
  WindowId foreground_window() override { return 7; }
  void set_topmost(WindowId, bool) override { ++topmost_calls; }
  std::vector<tambrel::ListedWindow> windows() override { return {{7, "Notes", 4242}}; }
  std::int64_t topmost_calls = 0;
};

class NoKeys : public tambrel::KeySender {
 public:
  void send_alt_f4() override {}
};

/// A process that never ends.
class EverRunning : public tambrel::ProcessTable {
 public:
  std::vector<tambrel::ProcessId> running(std::string_view) override {
    ++checks;
    return {4242};
  }
  tambrel::TerminateOutcome terminate_all(std::string_view) override { return {}; }
  std::int64_t checks = 0;
};

constexpr Millis kDay = 86'400'000;

void BM_OneVirtualDay(benchmark::State& state) {
  std::int64_t checks = 0;
  std::int64_t keeps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    tambrel::testing::VirtualClock clock;
    QuietWindows windows;
    NoKeys keys;
    EverRunning processes;
    tambrel::testing::MemoryStore store;
    const std::string section = "bench";
    store.put(section, "AUTOSTART_COUNTDOWN_TICKBOX", "1");
    store.put(section, "WAIT_FOR_PROCESS_TICKBOX", "1");
    store.put(section, "ALWAYS_ON_TOP_TICKBOX", "1");
    store.put(section, "WINDOW_NAME_TEXTBOX", "Untitled - Notes");
    store.put(section, "PROCESS_NAME_TEXTBOX", "notes");
    NullView view;
    tambrel::Program program(view, {clock, windows, keys, processes, store, section});
    state.ResumeTiming();

    program.start();
    tambrel::forms::Application& app = program.app();
    while (!app.ended()) {
      const auto due = app.next_due();
      if (!due || *due > kDay)
        break;
      if (*due > clock.now_ms())
        clock.set(*due);
      app.fire_due();
    }

    state.PauseTiming();
    if (app.ended() || view.message_boxes != 0)
      state.SkipWithError("the program ended during the day");
    checks = processes.checks;
    keeps = windows.topmost_calls;
    state.ResumeTiming();
  }
  state.counters["watcher_ticks"] = static_cast<double>(checks);
  state.counters["keeper_calls"] = static_cast<double>(keeps);
}

BENCHMARK(BM_OneVirtualDay)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
