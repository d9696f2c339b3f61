// Timer accuracy in real time: the program assembled as main() assembles it (Qt view, steady
// clock, /proc table, INI settings), with the process table timestamping each watcher tick.
//
//   tambrel_timer_bench TICKS            the watcher's first TICKS one-second ticks
//   tambrel_timer_bench TICKS --chain    also the auto-terminate chain, ticked at start-up, and
//                                        the moment its target process dies (TICKS >= 300)
//
// Needs a display (or QT_QPA_PLATFORM=offscreen) and runs in a temporary XDG_CONFIG_HOME.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/procfs_process_table.h"
#include "platform/qt/lazy_x11.h"
#include "platform/qt/qt_form_view.h"
#include "platform/xdg/ini_file_store.h"
#include "shell/startup.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start, Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(t - start).count();
}

/// The real table; records when each check ended and when a termination was asked for.
class TimedTable : public tambrel::ProcessTable {
 public:
  std::vector<tambrel::ProcessId> running(std::string_view name) override {
    auto ids = table_.running(name);
    tick_ends.push_back(Clock::now());
    if (on_tick)
      on_tick();
    return ids;
  }
  tambrel::TerminateOutcome terminate_all(std::string_view name) override {
    terminations.push_back(Clock::now());
    return table_.terminate_all(name);
  }

  std::vector<Clock::time_point> tick_ends;
  std::vector<Clock::time_point> terminations;
  std::function<void()> on_tick;

 private:
  tambrel::procfs::ProcfsProcessTable table_;
};

/// The real store; notes when Load reads its last key, just before it gives the timers their
/// intervals: the moment every tick is counted from.
class TimedStore : public tambrel::SettingsStore {
 public:
  std::optional<std::string> read(std::string_view section, std::string_view key) override {
    auto value = store_.read(section, key);
    if (key == "AUTO_TERMINATE_TICKBOX")
      intervals_set = Clock::now();
    return value;
  }
  void write(std::string_view section, std::string_view key, std::string_view value) override {
    store_.write(section, key, value);
  }
  std::string location(std::string_view section) const override { return store_.location(section); }

  Clock::time_point intervals_set;

 private:
  tambrel::xdg::IniFileStore store_;
};

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 10;
  const bool chain = argc > 2 && std::string(argv[2]) == "--chain";
  if (ticks < 1 || (chain && ticks < 300)) {
    std::fprintf(stderr, "usage: %s TICKS [--chain]   (--chain needs TICKS >= 300)\n", argv[0]);
    return 2;
  }

  const fs::path home = fs::temp_directory_path() / ("tambrel-timer-" + std::to_string(getpid()));
  fs::create_directories(home / "MERIDOX-TAMBREL");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  // The chain's target: a copy of sleep under a name of its own.
  const std::string target_name = "chain-target";
  const fs::path target = home / target_name;
  fs::copy_file("/bin/sleep", target);
  {
    std::ofstream ini(home / "MERIDOX-TAMBREL" / "timer-bench.ini");
    ini << "[General]\nPROCESS_NAME_TEXTBOX=" << target_name << "\n";
    if (chain)
      ini << "AUTO_TERMINATE_TICKBOX=1\n";
  }
  pid_t target_pid = 0;
  std::atomic<bool> target_died{false};
  Clock::time_point died_at;
  std::thread reaper;
  if (chain) {
    char* args[] = {const_cast<char*>(target.c_str()), const_cast<char*>("900"), nullptr};
    if (posix_spawn(&target_pid, args[0], nullptr, nullptr, args, environ) != 0)
      return 1;
    reaper = std::thread([&] {
      waitpid(target_pid, nullptr, 0);
      died_at = Clock::now();
      target_died = true;
    });
  }

  int qt_argc = 1;
  char name[] = "timer-bench";
  char* qt_argv[] = {name, nullptr};
  QApplication application(qt_argc, qt_argv);
  tambrel::SteadyClock clock;
  tambrel::qt::LazyX11 x11;
  TimedTable processes;
  TimedStore store;
  tambrel::qt::QtFormView view;
  tambrel::Program program(view,
                           {clock, x11.windows(), x11.keys(), processes, store, "timer-bench"});
  // Done once the ticks are counted and, with the chain, its target has died.
  processes.on_tick = [&] {
    if (static_cast<int>(processes.tick_ends.size()) >= ticks && (!chain || target_died))
      QTimer::singleShot(0, [&] { view.quit(); });
  };
  program.start();
  if (program.app().ended())
    return 1;
  view.run();
  // Load set the timers going: every tick is due a whole number of seconds after this.
  const auto start = store.intervals_set;

  if (chain) {
    if (!target_died)
      kill(target_pid, SIGKILL);
    reaper.join();
  }
  fs::remove_all(home);

  const auto& ends = processes.tick_ends;
  double worst = 0;
  for (std::size_t k = 0; k < ends.size() && k < static_cast<std::size_t>(ticks); ++k)
    worst = std::max(worst, std::fabs(ms_since(start, ends[k]) - 1000.0 * (k + 1)));
  const double last = ms_since(start, ends[ticks - 1]);
  std::printf(
      "ticks count=%d last_tick_end_ms=%.1f expected_ms=%d error_ms=%.1f "
      "worst_tick_error_ms=%.1f\n",
      ticks, last, 1000 * ticks, last - 1000.0 * ticks, worst);
  if (chain) {
    if (processes.terminations.empty()) {
      std::printf("chain terminated=no\n");
      return 1;
    }
    std::printf(
        "chain termination_request_ms=%.1f target_died_ms=%.1f expected_ms=300000 "
        "error_ms=%.1f\n",
        ms_since(start, processes.terminations.front()), ms_since(start, died_at),
        ms_since(start, died_at) - 300000.0);
  }
  return 0;
}
