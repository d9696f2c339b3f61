// The /proc image-name check at 1,000 extra processes, its cases interleaved round by round so
// that every case sees the same machine: the check for a name nobody has (a full scan), its
// floor (a loop that reads nothing but every /proc/<pid>/comm), `pgrep -x` and `pidof` as
// subprocesses, and a running match placed first and last in /proc order, both as a full scan
// and as the remembered-match check the watcher makes every second.
//
//   tambrel_procfs_bench [ROUNDS [EXTRA_PROCESSES]]     (default 15 rounds, 1,000 extras)
//
// Prints one line per case: "case=NAME min_ms=... median_ms=..." and the process count.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/linux/procfs_process_table.h"

extern char** environ;

namespace {

using tambrel::bench::ms_of;
using tambrel::bench::print_cases;
using tambrel::bench::start_sleeper;

constexpr const char* kAbsent = "no-such-image";
constexpr const char* kFirst = "bench-first";
constexpr const char* kLast = "bench-last";

std::vector<int> pids_in_proc_order() {
  std::vector<int> pids;
  DIR* dir = opendir("/proc");
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9')
      pids.push_back(std::atoi(entry->d_name));
  }
  closedir(dir);
  return pids;
}

/// The least any check by name must do: list /proc and read each comm once.
bool floor_scan(std::string_view name) {
  DIR* dir = opendir("/proc");
  const int proc_fd = dirfd(dir);
  bool found = false;
  char path[sizeof(dirent::d_name) + 8];
  char comm[64];
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
      continue;
    std::snprintf(path, sizeof path, "%s/comm", entry->d_name);
    const int fd = openat(proc_fd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      continue;
    const ssize_t n = read(fd, comm, sizeof comm);
    close(fd);
    if (n > 0 && std::string_view(comm, static_cast<std::size_t>(n - 1)) == name) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

int run_quietly(const char* program, const char* option, const char* name) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(program), const_cast<char*>(option), const_cast<char*>(name),
                  nullptr};
  if (option == nullptr) {
    argv[1] = const_cast<char*>(name);
    argv[2] = nullptr;
  }
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0)
    waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
  const int extra = argc > 2 ? std::atoi(argv[2]) : 1000;

  // The first match is started before the extra processes and the last after them, so that
  // their pids (and /proc order) put them before and after all of those.
  const pid_t first = start_sleeper(kFirst);
  std::vector<pid_t> sleepers;
  for (int i = 0; i < extra; ++i)
    sleepers.push_back(start_sleeper("bench-sleeper"));
  const pid_t last = start_sleeper(kLast);

  tambrel::procfs::ProcfsProcessTable scanning;
  tambrel::procfs::ProcfsProcessTable remembering_first;
  tambrel::procfs::ProcfsProcessTable remembering_last;
  // The children name themselves just after fork: wait for that.
  for (int i = 0; i < 2000 && (scanning.scan(kFirst).empty() || scanning.scan(kLast).empty()); ++i)
    usleep(1000);
  if (scanning.scan(kFirst).empty() || scanning.scan(kLast).empty() ||
      run_quietly("pgrep", "-x", kLast) != 0) {
    std::fprintf(stderr, "the matches cannot be found\n");
    return 1;
  }
  const auto order = pids_in_proc_order();
  const auto position = [&](pid_t pid) {
    return std::find(order.begin(), order.end(), pid) - order.begin() + 1;
  };
  std::printf("processes=%zu extra=%d first_match_position=%td last_match_position=%td\n",
              order.size(), extra, position(first), position(last));

  const std::vector<std::pair<std::string, std::function<double()>>> cases = {
      {"check_absent", [&] { return ms_of([&] { scanning.running(kAbsent); }, 10); }},
      {"floor_comm_only", [&] { return ms_of([&] { floor_scan(kAbsent); }, 10); }},
      {"pgrep_x_absent", [&] { return ms_of([&] { run_quietly("pgrep", "-x", kAbsent); }, 2); }},
      {"pidof_absent", [&] { return ms_of([&] { run_quietly("pidof", nullptr, kAbsent); }, 2); }},
      {"scan_present_first", [&] { return ms_of([&] { scanning.scan(kFirst); }, 10); }},
      {"scan_present_last", [&] { return ms_of([&] { scanning.scan(kLast); }, 10); }},
      {"remembered_present_first",
       [&] { return ms_of([&] { remembering_first.running(kFirst); }, 100); }},
      {"remembered_present_last",
       [&] { return ms_of([&] { remembering_last.running(kLast); }, 100); }},
  };
  std::map<std::string, std::vector<double>> times;
  std::map<std::string, std::vector<double>> pgrep_ratio;
  for (int round = 0; round < rounds; ++round) {
    std::map<std::string, double> now;
    for (const auto& [name, measure] : cases) {
      now[name] = measure();
      times[name].push_back(now[name]);
    }
    pgrep_ratio["pgrep_over_check"].push_back(now["pgrep_x_absent"] / now["check_absent"]);
  }
  times.insert(pgrep_ratio.begin(), pgrep_ratio.end());
  print_cases(std::move(times));

  for (const pid_t pid : sleepers)
    kill(pid, SIGKILL);
  kill(first, SIGKILL);
  kill(last, SIGKILL);
  while (wait(nullptr) > 0) {
  }
  return 0;
}
