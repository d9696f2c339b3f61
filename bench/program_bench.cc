// The built program as a user runs it, measured from outside on the current $DISPLAY: time from
// start to its main window shown, against a bare Qt window started the same way, and its CPU
// and memory while it idles with the watcher ticking.
//
//   tambrel_program_bench TAMBREL BARE_QT_WINDOW [IDLE_SECONDS [STARTS [EXTRA_PROCESSES]]]
//
// The idle figure is taken twice beside EXTRA_PROCESSES (default 1,000) sleeping children: with
// the watched name running (a child of that name) and with no process of that name.
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "platform/x11/x11_window_manager.h"
#include "platform/x11/x_connection.h"
#include "platform/x11/x_error_trap.h"

extern char** environ;

namespace {

using tambrel::bench::median;
using tambrel::bench::start_sleeper;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kMainTitle = "MERIDOX - TAMBREL";
constexpr const char* kBareTitle = "bare Qt window";

pid_t spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    std::perror(args[0]);
    std::exit(1);
  }
  return pid;
}

void stop(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

/// Milliseconds from `start` until a viewable top-level window titled `title` exists; polls
/// every millisecond, gives up (returns -1) after 20 s or when `pid` has ended.
double wait_for_window(tambrel::x11::X11WindowManager& wm, Display* display,
                       const std::string& title, pid_t pid, Clock::time_point start) {
  while (Clock::now() - start < std::chrono::seconds(20)) {
    if (const auto id = wm.find_window(title)) {
      XWindowAttributes attributes{};
      tambrel::x11::ErrorTrap trap(display);
      if (XGetWindowAttributes(display, static_cast<Window>(id), &attributes) &&
          attributes.map_state == IsViewable) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      }
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid)
      return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1;
}

/// utime + stime of every thread of `pid`, in seconds.
double cpu_seconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // Fields 3.. after the command; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stoull(field);
    if (i == 15)
      stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

/// A line of /proc/<pid>/status, e.g. "VmRSS:	   51234 kB".
std::string status_line(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(key + ":")) {
      line.erase(0, key.size() + 1);
      line.erase(0, line.find_first_not_of(" \t"));
      return line;
    }
  }
  return "?";
}

constexpr const char* kWatched = "bench-watched";

/// A configuration home whose settings watch `process_name` and start no countdown.
fs::path idle_config_home(const std::string& process_name) {
  const fs::path home = fs::temp_directory_path() / ("tambrel-bench-" + std::to_string(getpid()));
  fs::create_directories(home / "MERIDOX-TAMBREL");
  std::ofstream(home / "MERIDOX-TAMBREL" / "tambrel.ini")
      << "[General]\nPROCESS_NAME_TEXTBOX=" << process_name
      << "\nWINDOW_NAME_TEXTBOX=No such window\n";
  return home;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s TAMBREL BARE_QT_WINDOW [IDLE_SECONDS [STARTS]]\n", argv[0]);
    return 2;
  }
  const std::string tambrel = argv[1];
  const std::string bare = argv[2];
  const int idle_seconds = argc > 3 ? std::atoi(argv[3]) : 60;
  const int starts = argc > 4 ? std::atoi(argv[4]) : 7;
  const int extra = argc > 5 ? std::atoi(argv[5]) : 1000;

  const fs::path home = idle_config_home("no-such-image");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  auto connection = std::make_shared<tambrel::x11::Connection>();
  tambrel::x11::X11WindowManager wm(connection);

  // Start-up, alternating the two programs so that both see the same machine.
  std::vector<double> tambrel_ms, bare_ms;
  for (int i = 0; i < starts; ++i) {
    for (const bool is_bare : {true, false}) {
      const auto start = Clock::now();
      const pid_t pid = is_bare ? spawn({bare, kBareTitle}) : spawn({tambrel});
      const double ms =
          wait_for_window(wm, connection->display(), is_bare ? kBareTitle : kMainTitle, pid, start);
      stop(pid);
      if (ms < 0) {
        std::fprintf(stderr, "%s: no window\n", is_bare ? "bare Qt window" : "tambrel");
        return 1;
      }
      (is_bare ? bare_ms : tambrel_ms).push_back(ms);
      // Let the window manager forget the window before the next start.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  std::printf(
      "startup_ms tambrel_median=%.1f tambrel_min=%.1f bare_qt_median=%.1f "
      "bare_qt_min=%.1f starts=%d\n",
      median(tambrel_ms), *std::min_element(tambrel_ms.begin(), tambrel_ms.end()), median(bare_ms),
      *std::min_element(bare_ms.begin(), bare_ms.end()), starts);
  fs::remove_all(home);

  // Idle with the watcher ticking, beside the extra processes, in both states of the name.
  std::vector<pid_t> extras;
  for (int i = 0; i < extra; ++i)
    extras.push_back(start_sleeper("bench-sleeper"));
  const pid_t watched = start_sleeper(kWatched);
  int status = 0;
  for (const bool running : {true, false}) {
    const fs::path idle_home = idle_config_home(running ? kWatched : "no-such-image");
    setenv("XDG_CONFIG_HOME", idle_home.c_str(), 1);
    const auto start = Clock::now();
    const pid_t pid = spawn({tambrel});
    if (wait_for_window(wm, connection->display(), kMainTitle, pid, start) < 0) {
      std::fprintf(stderr, "tambrel: no window\n");
      status = 1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // past start-up work
    const double cpu0 = cpu_seconds(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
    const double cpu1 = cpu_seconds(pid);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const std::string rss = status_line(pid, "VmRSS");
    const std::string hwm = status_line(pid, "VmHWM");
    const bool alive = waitpid(pid, nullptr, WNOHANG) == 0;
    stop(pid);
    fs::remove_all(idle_home);
    if (!alive) {
      std::fprintf(stderr, "tambrel ended while idle\n");
      status = 1;
      break;
    }
    std::printf(
        "idle state=%s extra=%d seconds=%.1f cpu_seconds=%.2f cpu_percent_of_core=%.3f "
        "vmrss=\"%s\" vmhwm=\"%s\"\n",
        running ? "running" : "absent", extra, wall, cpu1 - cpu0, 100.0 * (cpu1 - cpu0) / wall,
        rss.c_str(), hwm.c_str());
  }
  for (const pid_t pid : extras)
    kill(pid, SIGKILL);
  kill(watched, SIGKILL);
  while (wait(nullptr) > 0) {
  }
  return status;
}
