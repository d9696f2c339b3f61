// The /proc image-name check against its floor (a loop that reads nothing but every
// /proc/<pid>/comm) and against `pgrep -x NAME` as a subprocess, at the machine's own process
// count and with 1,000 extra sleeping processes of our own. Arg(0) / Arg(1000) is the number of
// extra processes.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/linux/procfs_process_table.h"

extern char** environ;

namespace {

/// Sleeping children of the benchmark, grown or shrunk to the count a benchmark asks for.
class ExtraProcesses {
 public:
  ~ExtraProcesses() { resize(0); }

  void resize(std::size_t count) {
    while (pids_.size() < count) {
      const pid_t pid = fork();
      if (pid == 0) {
        prctl(PR_SET_NAME, "bench-sleeper");
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (;;)
          pause();
      }
      if (pid < 0) {
        std::perror("fork");
        std::exit(1);
      }
      pids_.push_back(pid);
    }
    while (pids_.size() > count) {
      kill(pids_.back(), SIGKILL);
      waitpid(pids_.back(), nullptr, 0);
      pids_.pop_back();
    }
  }

 private:
  std::vector<pid_t> pids_;
};

ExtraProcesses g_extra;

int process_count() {
  int count = 0;
  DIR* dir = opendir("/proc");
  while (const dirent* entry = readdir(dir))
    count += (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') ? 1 : 0;
  closedir(dir);
  return count;
}

void prepare(benchmark::State& state) {
  g_extra.resize(static_cast<std::size_t>(state.range(0)));
  state.counters["processes"] = process_count();
}

/// A running process with its own name, started last so that the scan reaches it last.
class Target {
 public:
  static constexpr const char* kName = "bench-target";
  Target() {
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_NAME, kName);
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      for (;;)
        pause();
    }
  }
  ~Target() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_;
};

constexpr const char* kAbsent = "no-such-image";

void BM_IsRunning_Absent(benchmark::State& state) {
  prepare(state);
  tambrel::procfs::ProcfsProcessTable table;
  for (auto _ : state)
    benchmark::DoNotOptimize(table.is_running(kAbsent));
}

void BM_IsRunning_Present(benchmark::State& state) {
  prepare(state);
  const Target target;
  tambrel::procfs::ProcfsProcessTable table;
  // The child names itself just after fork: wait for that before measuring.
  for (int i = 0; i < 1000 && !table.is_running(Target::kName); ++i)
    usleep(1000);
  if (!table.is_running(Target::kName))
    state.SkipWithError("the target process is not found");
  for (auto _ : state)
    benchmark::DoNotOptimize(table.is_running(Target::kName));
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

void BM_Floor_CommOnly(benchmark::State& state) {
  prepare(state);
  for (auto _ : state)
    benchmark::DoNotOptimize(floor_scan(kAbsent));
}

void BM_Pgrep(benchmark::State& state) {
  prepare(state);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("pgrep"), const_cast<char*>("-x"), const_cast<char*>(kAbsent),
                  nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, "pgrep", &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start pgrep");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    benchmark::DoNotOptimize(status);
  }
  posix_spawn_file_actions_destroy(&actions);
}

// Wall time: pgrep's work happens in another process. All at one process count, then all at the
// other, so that the 1,000 children are started once.
void register_all() {
  for (const int extra : {0, 1000}) {
    using Fn = void (*)(benchmark::State&);
    const std::pair<const char*, Fn> all[] = {{"BM_Floor_CommOnly", BM_Floor_CommOnly},
                                              {"BM_IsRunning_Absent", BM_IsRunning_Absent},
                                              {"BM_IsRunning_Present", BM_IsRunning_Present},
                                              {"BM_Pgrep", BM_Pgrep}};
    for (const auto& [name, fn] : all) {
      benchmark::RegisterBenchmark(name, fn)->Arg(extra)->UseRealTime()->Unit(
          benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
