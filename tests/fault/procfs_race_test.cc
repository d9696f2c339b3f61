// Processes that end while the /proc table looks at them: between the scan and the kill, in the
// middle of reading one process's files, and with their pid taken by another process.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/procfs_process_table.h"
#include "support.h"

namespace tambrel::procfs {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

/// A pid no process can have: above the kernel's limit, so kill() on it can only fail with ESRCH
/// and never reaches a process that reused an old number.
int impossible_pid() {
  long pid_max = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pid_max;
  return static_cast<int>(pid_max) + 1000;
}

/// A /proc of our own making, holding the files of one process entry.
void add_entry(const fs::path& root, int pid, const std::string& comm, bool with_stat) {
  const fs::path dir = root / std::to_string(pid);
  fs::create_directories(dir);
  std::ofstream(dir / "comm") << comm << "\n";
  std::ofstream(dir / "status") << "Name:\t" << comm << "\nUid:\t" << getuid() << "\n";
  if (with_stat)
    std::ofstream(dir / "stat") << pid << " (" << comm
                                << ") S 1 1 1 0 -1 4194304 0 0 0 0 0 0 0 0 20 0 1 0 4242 0 0\n";
}

TEST(ProcfsRaces, AProcessGoneBetweenTheScanAndTheKillIsNoFailure) {
  testing::TempDir proc;
  const int gone = impossible_pid();
  add_entry(proc.path(), gone, "vanished-image", true);
  ProcfsProcessTable table(proc.path().string());
  ASSERT_EQ(table.running("vanished-image"), std::vector<ProcessId>{static_cast<ProcessId>(gone)});
  // The scan found it; the kill finds nobody (ESRCH): nothing to report, nothing ended by us.
  const auto outcome = table.terminate_all("vanished-image");
  EXPECT_EQ(outcome.refused, std::vector<std::string>{});
  EXPECT_EQ(outcome.ended, std::vector<ProcessId>{});
}

TEST(ProcfsRaces, AProcessGoneWhileItsFilesAreReadIsNotRunning) {
  testing::TempDir proc;
  // comm was read, then the process was reaped before its stat could be: /proc/<pid> half gone.
  add_entry(proc.path(), impossible_pid(), "half-gone", false);
  // And an entry whose directory is already empty.
  fs::create_directories(proc.path() / std::to_string(impossible_pid() + 1));
  ProcfsProcessTable table(proc.path().string());
  EXPECT_FALSE(table.is_running("half-gone"));
  EXPECT_TRUE(table.running("half-gone").empty());
  EXPECT_EQ(table.terminate_all("half-gone").refused, std::vector<std::string>{});
}

constexpr int kNotReached = 2;

/// A child named `name` that waits to be killed, once the kernel shows the name.
pid_t start_named(const char* name) {
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_NAME, name);
    for (;;)
      pause();
  }
  std::string comm;
  testing::poll_until(
      [&] {
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), comm);
        return comm == name;
      },
      milliseconds(5000));
  return pid;
}

/// As the first process of a pid namespace of its own, which may choose the next pid: a process
/// found by a scan (its comm file kept open) ends and a new one of the name gets its pid. The next
/// scan must find the new one though the kept file fails, and ending the old match must not.
int reuse_a_pid() {
  if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
    return kNotReached;
  const char* name = "pid-reuse-name";
  ProcfsProcessTable table;
  const pid_t first = start_named(name);
  const auto before = table.scan_matches(name);
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  usleep(50000);  // start times count in clock ticks: the two must differ
  std::ofstream("/proc/sys/kernel/ns_last_pid") << first - 1 << std::flush;
  const pid_t second = start_named(name);
  const auto after = table.scan_matches(name);
  if (second != first || before.size() != 1 ||
      (after.size() == 1 && after[0].start_time == before[0].start_time))
    return kNotReached;
  const auto outcome = table.terminate(before);
  std::cout << "found " << after.size() << ", ended " << outcome.ended.size() << std::endl;
  kill(second, SIGKILL);
  return 0;
}

TEST(ProcfsRaces, AReusedPidIsTheNewProcessAndNeverTheOldMatch) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root for a pid namespace of its own";
  const auto result = testing::run_forked(
      [] {
        if (unshare(CLONE_NEWPID | CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
          return kNotReached;
        const pid_t init = fork();
        if (init == 0)
          _exit(reuse_a_pid());
        int status = 0;
        return waitpid(init, &status, 0) == init && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
      },
      milliseconds(30000));
  ASSERT_TRUE(result && WIFEXITED(result->status));
  if (WEXITSTATUS(result->status) == kNotReached)
    GTEST_SKIP() << "a pid could not be reused here";
  EXPECT_EQ(result->output, "found 1, ended 0\n");
}

/// Real processes of one name starting and ending as fast as the machine allows while the table
/// checks and terminates that name: no error, no refusal reported, and no survivor once the
/// churn stops. The scans must overlap a live process for this to mean anything; on a slow
/// machine (sanitizers, a busy CI) the processes live longer until they do.
TEST(ProcfsRaces, ChurningProcessesNeverMakeAScanOrATerminationFail) {
  char name[16];
  std::snprintf(name, sizeof name, "churn%08d", static_cast<int>(getpid()) % 100000000);
  std::atomic<bool> stop{false};
  std::atomic<int> started{0};
  std::atomic<long> longest_life_ns{2000000};
  // Forks children that take the name and end after up to longest_life_ns (or earlier, by
  // SIGKILL).
  std::thread churn([&] {
    std::vector<pid_t> alive;
    while (!stop) {
      const long life = longest_life_ns;
      const pid_t pid = fork();
      if (pid == 0) {
        prctl(PR_SET_NAME, name);
        const timespec pause{0, (getpid() % 3) * life / 2};
        nanosleep(&pause, nullptr);
        _exit(0);
      }
      if (pid > 0) {
        ++started;
        alive.push_back(pid);
      }
      // Reap whatever has ended so that pids are recycled and /proc entries come and go.
      std::erase_if(alive, [](pid_t p) { return waitpid(p, nullptr, WNOHANG) == p; });
      if (alive.size() > 64) {
        waitpid(alive.front(), nullptr, 0);
        alive.erase(alive.begin());
      }
    }
    for (const pid_t p : alive)
      waitpid(p, nullptr, 0);
  });

  ProcfsProcessTable table;
  int scans = 0;
  int seen_running = 0;
  const auto start = steady_clock::now();
  auto next_widening = start + milliseconds(1000);
  for (;;) {
    const auto now = steady_clock::now();
    const bool enough = seen_running > 0 && started > 50;
    if ((enough && now > start + milliseconds(3000)) || now > start + milliseconds(30000))
      break;
    if (seen_running == 0 && now > next_widening) {
      longest_life_ns = std::min(longest_life_ns * 2, 256000000L);
      next_widening = now + milliseconds(1000);
    }
    seen_running += table.is_running(name) ? 1 : 0;
    EXPECT_EQ(table.terminate_all(name).refused, std::vector<std::string>{}) << "scan " << scans;
    ++scans;
  }
  stop = true;
  churn.join();
  std::printf("%d scans against %d short-lived processes (up to %ld ms), %d saw one running\n",
              scans, started.load(), longest_life_ns.load() / 1000000, seen_running);
  EXPECT_FALSE(table.is_running(name));
  if (seen_running == 0 || started <= 50)
    GTEST_SKIP() << "the scans never overlapped a live process in 30 s; nothing was tested";
}

}  // namespace
}  // namespace tambrel::procfs
