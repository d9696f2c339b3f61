#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_process_table.h"
#include "fakes/fake_window_manager.h"
#include "fakes/memory_store.h"
#include "fakes/recording_log.h"
#include "fakes/recording_view.h"
#include "fakes/virtual_clock.h"
#include "shell/startup.h"

namespace tambrel::testing {

/// The whole program on fakes and a virtual clock, as the core tests drive it.
class Rig {
 public:
  static constexpr const char* kSection = "backup-job";

  Rig();
  ~Rig();

  /// Seeds a stored setting before start().
  void store(const std::string& key, std::string value) { settings.put(kSection, key, value); }
  /// Runs the start-up routine at virtual time 0.
  void start();
  /// Moves virtual time forward by `ms`, firing every tick that falls due on the way, as a view's
  /// native timer would.
  void advance(Millis ms);
  /// Moves virtual time forward to `when`, firing the ticks due on the way.
  void advance_to(Millis when);

  TambrelMain& main() { return *program->main(); }
  forms::Control& control(std::string_view name) { return main()[name]; }
  const std::string& text(std::string_view name) { return control(name).text(); }
  bool timer_on(std::string_view name) { return main().timer(name).enabled(); }
  bool ended() { return program->app().ended(); }

  VirtualClock clock;
  FakeWindowManager windows;
  RecordingKeySender keys{windows};
  FakeProcessTable processes;
  MemoryStore settings;
  RecordingView view;
  RecordingLog log;
  std::unique_ptr<Program> program;
};

/// The keys TAMBREL saves when it ends, in the order the exit procedure writes them: the list in
/// tests/saved_keys.txt that the end-to-end and Wine tests check too.
const std::vector<std::string>& saved_keys();

}  // namespace tambrel::testing
