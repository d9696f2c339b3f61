#include "platform/linux/procfs_process_table.h"

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "platform/error.h"
#include "platform/linux/image_name.h"
#include "support.h"

namespace tambrel::procfs {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using testing::Child;
using testing::poll_until;
using testing::TempDir;

constexpr milliseconds kDeadline{5000};

/// Names unique to this test process, so parallel runs never see each other's children.
std::string unique(const std::string& suffix) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "t%07d", static_cast<int>(getpid()) % 10000000);
  return prefix + suffix;
}

bool killed_by_sigkill(const std::optional<int>& status) {
  return status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL;
}

std::string proc_comm(pid_t pid) {
  std::string comm;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), comm);
  return comm;
}

bool is_kernel_thread(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto fields = procfs::parse_stat(text);
  return fields && procfs::is_kernel_thread(*fields);
}

char proc_state(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

class ProcfsTest : public ::testing::Test {
 protected:
  /// Starts a copy of /bin/sleep under `name` that sleeps for a minute.
  Child& start(const std::string& name) {
    const fs::path path = dir_.path() / name;
    if (!fs::exists(path))
      fs::copy_file("/bin/sleep", path);
    children_.push_back(std::make_unique<Child>(
        path.string(), std::vector<std::string>{path.string(), "60"}, false));
    // posix_spawn returns once the exec has begun, a moment before the kernel renames the child.
    const pid_t pid = children_.back()->pid();
    EXPECT_TRUE(poll_until([&] { return proc_comm(pid) == name.substr(0, 15); }, kDeadline));
    return *children_.back();
  }

  std::set<int> found(const std::string& name) {
    const auto pids = table_.running(name);
    return std::set<int>(pids.begin(), pids.end());
  }

  TempDir dir_;
  std::vector<std::unique_ptr<Child>> children_;
  ProcfsProcessTable table_;
};

TEST_F(ProcfsTest, FindsCountsAndTerminatesEveryProcessOfAName) {
  // The two long names share their first 15 bytes, all the kernel keeps in comm.
  const std::string a = unique("-image-name-a");
  const std::string b = unique("-image-name-b");
  const std::string shorter = unique("-s");
  ASSERT_GT(a.size(), 15u);
  ASSERT_EQ(a.substr(0, 15), b.substr(0, 15));
  Child& a1 = start(a);
  Child& a2 = start(a);
  Child& b1 = start(b);
  Child& s1 = start(shorter);

  EXPECT_EQ(found(a), (std::set<int>{a1.pid(), a2.pid()}));
  EXPECT_EQ(found(b), (std::set<int>{b1.pid()}));
  EXPECT_EQ(found(shorter), (std::set<int>{s1.pid()}));
  EXPECT_TRUE(table_.is_running(a));
  EXPECT_FALSE(table_.is_running(a.substr(0, 15) + "x"));
  EXPECT_FALSE(table_.is_running(shorter.substr(0, shorter.size() - 1)));
  EXPECT_FALSE(table_.is_running(shorter + "x"));
  std::string upper = shorter;
  upper[0] = 'T';
  EXPECT_FALSE(table_.is_running(upper));

  const auto outcome = table_.terminate_all(a);
  EXPECT_EQ(outcome.refused, std::vector<std::string>{});
  EXPECT_EQ(std::set<int>(outcome.ended.begin(), outcome.ended.end()),
            (std::set<int>{a1.pid(), a2.pid()}));
  EXPECT_TRUE(killed_by_sigkill(a1.wait(kDeadline)));
  EXPECT_TRUE(killed_by_sigkill(a2.wait(kDeadline)));
  EXPECT_FALSE(table_.is_running(a));
  EXPECT_TRUE(b1.running());
  EXPECT_TRUE(s1.running());
  EXPECT_TRUE(table_.is_running(b));

  // Nothing left of that name: nothing to do, nothing to report.
  EXPECT_TRUE(table_.terminate_all(a).ended.empty());
  EXPECT_TRUE(table_.terminate_all(a).refused.empty());
}

TEST_F(ProcfsTest, EmptyNameMatchesNoProcess) {
  start(unique("-e"));
  EXPECT_TRUE(table_.running("").empty());
  EXPECT_FALSE(table_.is_running(""));
}

TEST_F(ProcfsTest, AnEndedProcessAwaitingItsParentIsNotRunning) {
  const std::string name = unique("-zombie");
  Child& child = start(name);
  ASSERT_TRUE(table_.is_running(name));
  ASSERT_EQ(kill(child.pid(), SIGKILL), 0);
  // Not reaped yet: the kernel keeps it as a zombie with its name.
  ASSERT_TRUE(poll_until([&] { return proc_state(child.pid()) == 'Z'; }, kDeadline));
  EXPECT_FALSE(table_.is_running(name));
  const auto outcome = table_.terminate_all(name);
  EXPECT_TRUE(outcome.refused.empty());
  EXPECT_TRUE(outcome.ended.empty());
}

TEST_F(ProcfsTest, AProcessThatExecsOutOfTheNameIsNoLongerRunning) {
  // A shell under the name that waits for a line on a FIFO, then becomes sleep: same pid, same
  // start time, another image. The table remembers it as a match until then.
  const std::string name = unique("-exec-out-shell");
  const fs::path shell = dir_.path() / name;
  fs::copy_file("/bin/sh", shell);
  const std::string fifo = (dir_.path() / "go").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Child child(shell.string(),
              {shell.string(), "-c", "exec 3<>" + fifo + "; read x <&3; exec /bin/sleep 60"},
              false);
  ASSERT_TRUE(poll_until([&] { return found(name) == std::set<int>{child.pid()}; }, kDeadline));

  // Held open until the shell has read it: a FIFO drops what nobody holds.
  const int go = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(go, 0);
  ASSERT_EQ(write(go, "\n", 1), 1);
  const bool became_sleep =
      poll_until([&] { return proc_comm(child.pid()) == "sleep"; }, kDeadline);
  close(go);
  ASSERT_TRUE(became_sleep);
  EXPECT_FALSE(table_.is_running(name));
  EXPECT_TRUE(table_.terminate_all(name).ended.empty());
  EXPECT_EQ(child.wait(milliseconds(0)), std::nullopt);
}

TEST_F(ProcfsTest, AProcessThatExecsIntoTheNameIsFoundOnTheNextScan) {
  // The reverse: scanned (and its comm file kept open) while it runs under another name, then
  // the same pid becomes the named image. The next scan must read the new name, not the old.
  const std::string name = unique("-exec-in");
  const fs::path image = dir_.path() / name;
  fs::copy_file("/bin/sleep", image);
  const std::string fifo = (dir_.path() / "go").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Child child("/bin/sh",
              {"sh", "-c", "exec 3<>" + fifo + "; read x <&3; exec " + image.string() + " 60"},
              false);
  ASSERT_TRUE(poll_until([&] { return proc_comm(child.pid()) == "sh"; }, kDeadline));
  EXPECT_FALSE(table_.is_running(name));

  const int go = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(go, 0);
  ASSERT_EQ(write(go, "\n", 1), 1);
  const bool became_image =
      poll_until([&] { return proc_comm(child.pid()) == name.substr(0, 15); }, kDeadline);
  close(go);
  ASSERT_TRUE(became_image);
  EXPECT_EQ(found(name), std::set<int>{child.pid()});
}

TEST_F(ProcfsTest, AProcessWhoseExecutableWasDeletedStillMatches) {
  const std::string name = unique("-deleted-image");
  Child& child = start(name);
  fs::remove(dir_.path() / name);
  const fs::path exe = fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe");
  ASSERT_TRUE(exe.string().ends_with(" (deleted)")) << exe;
  EXPECT_TRUE(table_.is_running(name));
  EXPECT_EQ(table_.terminate_all(name).refused, std::vector<std::string>{});
  EXPECT_TRUE(killed_by_sigkill(child.wait(kDeadline)));
}

TEST_F(ProcfsTest, NeverTerminatesTheCallingProcess) {
  // A copy of this test program under the same name as a sleeping process: asked to terminate
  // that name, it ends the sleeper and lives on to report.
  const std::string name = unique("-self-helper");
  Child& sleeper = start(name);
  const fs::path helper_path = dir_.path() / "helper" / name;
  fs::create_directories(helper_path.parent_path());
  fs::copy_file("/proc/self/exe", helper_path);
  Child helper(helper_path.string(), {helper_path.string(), "--terminate-helper", name}, true);
  EXPECT_EQ(helper.read_line(kDeadline), "failures 0 ended 1");
  const auto status = helper.wait(kDeadline);
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
  EXPECT_TRUE(killed_by_sigkill(sleeper.wait(kDeadline)));
}

TEST_F(ProcfsTest, UnprivilegedOnlyTheUsersOwnProcessesCount) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to start a process of another user";
  // A root process and one of user nobody under one name: as nobody, the table sees and ends only
  // nobody's, and reports no refusal for root's.
  const std::string name = unique("-uid");
  Child& roots = start(name);
  const auto result = testing::run_forked(
      [&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
          return 10;
        const pid_t own = fork();
        if (own == 0) {
          prctl(PR_SET_NAME, name.c_str());
          for (;;)
            pause();
        }
        if (!poll_until([&] { return proc_comm(own) == name; }, kDeadline))
          return 11;
        ProcfsProcessTable table;
        const std::vector<ProcessId> just_own{static_cast<ProcessId>(own)};
        std::cout << "running: " << (table.running(name) == just_own ? "own" : "others too")
                  << "\n";
        const auto outcome = table.terminate_all(name);
        std::cout << "ended: " << (outcome.ended == just_own ? "own" : "others too") << ", refused "
                  << outcome.refused.size() << "\n";
        int status = 0;
        waitpid(own, &status, 0);
        std::cout << (killed_by_sigkill(status) ? "own killed" : "own not killed") << std::endl;
        return 0;
      },
      kDeadline);
  ASSERT_TRUE(result);
  ASSERT_TRUE(WIFEXITED(result->status)) << result->output;
  ASSERT_EQ(WEXITSTATUS(result->status), 0) << result->output;
  EXPECT_EQ(result->output, "running: own\nended: own, refused 0\nown killed\n");
  EXPECT_EQ(roots.wait(milliseconds(0)), std::nullopt);
  // Root counts every user's.
  EXPECT_EQ(found(name), std::set<int>{roots.pid()});
}

TEST(ProcfsTable, UnreadableProcRootIsAnError) {
  ProcfsProcessTable table("/nonexistent-proc");
  try {
    table.is_running("sleep");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "opendir /nonexistent-proc failed: No such file or directory");
  }
}

TEST_F(ProcfsTest, AFifteenByteNameIsNotTheLongerNameItStarts) {
  // The kernel keeps these same 15 bytes as comm for both.
  const std::string longer = unique("-fifteen-plus");
  const std::string fifteen = longer.substr(0, 15);
  Child& other = start(longer);
  ASSERT_TRUE(table_.is_running(longer));
  EXPECT_FALSE(table_.is_running(fifteen));
  const auto outcome = table_.terminate_all(fifteen);
  EXPECT_TRUE(outcome.ended.empty());
  EXPECT_TRUE(other.running());
  EXPECT_EQ(other.wait(milliseconds(0)), std::nullopt);

  Child& exact = start(fifteen);
  EXPECT_EQ(found(fifteen), std::set<int>{exact.pid()});
}

TEST_F(ProcfsTest, ANameThatFindsNothingHearsOfTheProcessesItCameClose) {
  // Typed as ps shows a cut name, and as the executable of a process started through a link.
  const std::string longer = unique("-calculator-app");
  const std::string linked = unique("-featherpad");
  const std::string link = unique("-fpad");
  const pid_t cut = start(longer).pid();
  fs::copy_file("/bin/sleep", dir_.path() / linked);
  fs::create_symlink(dir_.path() / linked, dir_.path() / link);
  const pid_t through_link = start(link).pid();
  const auto near = [&](const std::string& name) {
    std::vector<std::pair<int, std::string>> out;
    for (const NearProcess& p : table_.near_misses(name))
      out.emplace_back(p.pid, p.name);
    return out;
  };
  using Near = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(near(longer.substr(0, 15)), (Near{{cut, longer}}));
  EXPECT_EQ(near(linked), (Near{{through_link, link}}));
  EXPECT_EQ(near(unique("-unrelated")), Near{});
}

TEST_F(ProcfsTest, NamesWithASlashAndKernelThreadsNeverMatch) {
  // A process may call itself anything, a slash included; no image file is named so.
  const std::string slashed = unique("/x");
  Child renamed("/proc/self/exe", {"renamed", "--set-comm", slashed}, true);
  ASSERT_EQ(renamed.read_line(kDeadline), "ready");
  ASSERT_EQ(proc_comm(renamed.pid()), slashed);
  EXPECT_FALSE(table_.is_running(slashed));
  EXPECT_TRUE(table_.terminate_all(slashed).ended.empty());
  EXPECT_EQ(renamed.wait(milliseconds(0)), std::nullopt);

  // Kernel threads run no image; one without a slash in its name must not be found by it.
  std::string kernel_name;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const std::string comm = proc_comm(std::stoi(pid));
    if (is_kernel_thread(std::stoi(pid)) && !comm.empty() && comm.find('/') == std::string::npos) {
      kernel_name = comm;
      break;
    }
  }
  if (kernel_name.empty())
    GTEST_SKIP() << "no kernel thread visible in this pid namespace";
  EXPECT_FALSE(table_.is_running(kernel_name)) << kernel_name;
}

TEST_F(ProcfsTest, AProcessWhoseMainThreadEndedRunsAndIsKilled) {
  const std::string name = unique("-main-thread-gone");
  const fs::path path = dir_.path() / name;
  fs::copy_file("/proc/self/exe", path);
  Child child(path.string(), {path.string(), "--main-thread-exits"}, true);
  ASSERT_EQ(child.read_line(kDeadline), "ready");
  // The main thread is a zombie to /proc now; the other thread runs on.
  ASSERT_TRUE(poll_until([&] { return proc_state(child.pid()) == 'Z'; }, kDeadline));

  EXPECT_EQ(found(name), std::set<int>{child.pid()});
  const auto outcome = table_.terminate_all(name);
  EXPECT_EQ(outcome.ended, std::vector<ProcessId>{static_cast<ProcessId>(child.pid())});
  EXPECT_TRUE(outcome.refused.empty());
  EXPECT_TRUE(killed_by_sigkill(child.wait(kDeadline)));
}

TEST_F(ProcfsTest, ScriptsAndSymlinksAreFoundByTheirNamesLongOrShort) {
  // A script that blocks in its shell, with builtins only (a forked child would share its name
  // for a moment): it reads from a FIFO it holds open itself.
  const auto write_script = [&](const std::string& name) {
    const fs::path path = dir_.path() / name;
    const std::string fifo = path.string() + ".fifo";
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(path) << "#!/bin/sh\nexec 3<>\"$0.fifo\"\nread x <&3\n";
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
  };
  for (const std::string& name : {unique("-nightly-backup-job.sh"), unique(".sh")}) {
    SCOPED_TRACE(name);
    const std::string script = write_script(name);
    Child job(script, {script}, false);
    // The kernel sets comm a moment before the new command line: wait for both.
    EXPECT_TRUE(poll_until([&] { return found(name) == std::set<int>{job.pid()}; }, kDeadline))
        << "comm " << proc_comm(job.pid());
    EXPECT_FALSE(table_.is_running(name + "x"));
    const auto outcome = table_.terminate_all(name);
    EXPECT_EQ(outcome.ended, std::vector<ProcessId>{static_cast<ProcessId>(job.pid())});
    EXPECT_TRUE(killed_by_sigkill(job.wait(kDeadline)));
  }

  for (const std::string& name : {unique("-long-symlink-name"), unique("-link")}) {
    SCOPED_TRACE(name);
    const fs::path link = dir_.path() / name;
    fs::create_symlink("/bin/sleep", link);
    Child sleeper(link.string(), {link.string(), "60"}, false);
    EXPECT_TRUE(poll_until([&] { return found(name) == std::set<int>{sleeper.pid()}; }, kDeadline))
        << "comm " << proc_comm(sleeper.pid());
    EXPECT_TRUE(table_.terminate_all(name).refused.empty());
    EXPECT_TRUE(killed_by_sigkill(sleeper.wait(kDeadline)));
  }
}

TEST_F(ProcfsTest, AnArgumentNeverMakesAProcessMatch) {
  // The job script itself, and a script named after it that is given its path as an argument:
  // both have the same 15 bytes of comm. Only the job is a process of the job's name.
  const std::string job = (dir_.path() / unique("-nightly")).string();
  const std::string verify = job + "-verify";
  for (const std::string& script : {job, verify}) {
    ASSERT_EQ(mkfifo((script + ".fifo").c_str(), 0600), 0);
    std::ofstream(script) << "#!/bin/sh\nexec 3<>\"$0.fifo\"\nread x <&3\n";
    fs::permissions(script, fs::perms::owner_all);
  }
  Child checker(verify, {verify, job}, false);
  Child real(job, {job}, false);
  const std::string name = fs::path(job).filename();
  ASSERT_TRUE(poll_until([&] { return is_process_named(real.pid(), name); }, kDeadline));
  ASSERT_TRUE(
      poll_until([&] { return is_process_named(checker.pid(), name + "-verify"); }, kDeadline));
  EXPECT_FALSE(is_process_named(checker.pid(), name));
  EXPECT_EQ(found(name), std::set<int>{real.pid()});
  EXPECT_EQ(table_.terminate_all(name).ended, std::vector<ProcessId>{ProcessId(real.pid())});
  EXPECT_TRUE(killed_by_sigkill(real.wait(kDeadline)));
  EXPECT_EQ(checker.wait(milliseconds(0)), std::nullopt);
}

}  // namespace
}  // namespace tambrel::procfs

int main(int argc, char** argv) {
  // Helper mode for NeverTerminatesTheCallingProcess.
  if (argc == 3 && std::string(argv[1]) == "--terminate-helper") {
    const auto outcome = tambrel::procfs::ProcfsProcessTable().terminate_all(argv[2]);
    std::cout << "failures " << outcome.refused.size() << " ended " << outcome.ended.size()
              << std::endl;
    return 0;
  }
  // Helper modes for the wrong-process cases.
  if (argc == 3 && std::string(argv[1]) == "--set-comm") {
    prctl(PR_SET_NAME, argv[2]);
    std::cout << "ready" << std::endl;
    pause();
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--main-thread-exits") {
    pthread_t thread;
    pthread_create(
        &thread, nullptr,
        [](void*) -> void* {
          for (;;)
            pause();
        },
        nullptr);
    std::cout << "ready" << std::endl;
    pthread_exit(nullptr);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
