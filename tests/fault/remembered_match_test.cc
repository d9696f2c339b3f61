// The remembered-match check of the /proc table against a full scan of the same /proc, over a
// /proc of our own making where processes start and end, pids are reused, processes exec into
// and out of the name, turn into zombies, or lose only their main thread. The two must always
// agree on whether the name runs, and the ids listed must catch up with a full scan.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/procfs_process_table.h"
#include "support.h"

namespace tambrel::procfs {
namespace {

namespace fs = std::filesystem;

/// Numbers above any real pid_max, so that nothing here can name a real process.
constexpr ProcessId kFirstPid = 1u << 30;
constexpr int kPidPool = 6;

const std::vector<std::string> kNames = {"nightly", "nightly-backup-job", "nightly-backup-job-2",
                                         "other"};

struct Entry {
  std::string image;
  std::uint64_t start_time = 0;
  char state = 'S';
  bool live_thread = false;  ///< with state 'Z': only the main thread has ended
};

class FakeProc {
 public:
  explicit FakeProc(fs::path root) : root_(std::move(root)) {}

  void write(ProcessId pid, const Entry& entry) {
    const fs::path dir = root_ / std::to_string(pid);
    fs::remove_all(dir);
    fs::create_directories(dir / "task");
    const std::string comm = entry.image.substr(0, 15);
    std::ofstream(dir / "comm") << comm << "\n";
    std::ofstream(dir / "status") << "Name:\t" << comm << "\nUid:\t" << getuid() << "\n";
    write_stat(dir, pid, comm, entry.state, entry.start_time);
    if (entry.state != 'Z') {
      write_image(dir, entry.image);
    } else if (entry.live_thread) {
      const fs::path thread = dir / "task" / std::to_string(pid + 1);
      fs::create_directories(thread);
      write_stat(thread, pid + 1, comm, 'S', entry.start_time);
      write_image(thread, entry.image);
    } else {
      std::ofstream(dir / "cmdline");  // a zombie has no command line and no exe link
    }
    entries_[pid] = entry;
  }

  void remove(ProcessId pid) {
    fs::remove_all(root_ / std::to_string(pid));
    entries_.erase(pid);
  }

  const std::map<ProcessId, Entry>& entries() const { return entries_; }

 private:
  static void write_stat(const fs::path& dir, ProcessId pid, const std::string& comm, char state,
                         std::uint64_t start_time) {
    std::ofstream(dir / "stat") << pid << " (" << comm << ") " << state
                                << " 1 1 1 0 -1 4194304 0 0 0 0 0 0 0 0 20 0 1 0 " << start_time
                                << " 0 0\n";
  }
  static void write_image(const fs::path& dir, const std::string& image) {
    const std::string path = "/opt/jobs/" + image;
    fs::create_symlink(path, dir / "exe");
    std::ofstream(dir / "cmdline") << path << '\0';
  }

  fs::path root_;
  std::map<ProcessId, Entry> entries_;
};

TEST(RememberedMatches, AlwaysAgreeWithAFullScan) {
  testing::TempDir root;
  FakeProc proc(root.path());
  // One table per name, as the program keeps one for the name it watches.
  std::map<std::string, ProcfsProcessTable> remembering;
  for (const std::string& name : kNames)
    remembering.emplace(name, root.path().string());
  ProcfsProcessTable scanning(root.path().string());
  std::mt19937 random(20261207);  // fixed: the same story every run
  std::uint64_t clock = 100;
  const auto any = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const auto random_image = [&] { return kNames[static_cast<std::size_t>(any(4))]; };

  int answered_from_memory = 0;
  std::map<std::string, int> seen_running;
  for (int step = 0; step < 600; ++step) {
    const ProcessId pid = kFirstPid + static_cast<ProcessId>(any(kPidPool));
    const auto it = proc.entries().find(pid);
    std::string what;
    if (it == proc.entries().end()) {
      what = "start";
      proc.write(pid, {random_image(), ++clock});
    } else {
      Entry entry = it->second;
      switch (any(6)) {
        case 0:
          what = "end";
          proc.remove(pid);
          break;
        case 1:
          what = "pid reused";
          proc.write(pid, {random_image(), ++clock});
          break;
        case 2:
          what = "exec";
          if (entry.state == 'Z')
            break;
          entry.image = random_image();
          proc.write(pid, entry);
          break;
        case 3:
          what = "zombie";
          entry.state = 'Z';
          entry.live_thread = false;
          proc.write(pid, entry);
          break;
        case 4:
          what = "main thread ended";
          entry.state = 'Z';
          entry.live_thread = true;
          proc.write(pid, entry);
          break;
        default:
          what = "nothing";
          break;
      }
    }

    for (const std::string& name : kNames) {
      const auto fast = remembering.at(name).running(name);
      const auto full = scanning.scan(name);
      ASSERT_EQ(fast.empty(), full.empty())
          << "step " << step << " (" << what << " of pid " << pid << "), name " << name;
      for (const ProcessId id : fast) {
        ASSERT_TRUE(std::find(full.begin(), full.end(), id) != full.end())
            << "step " << step << ": pid " << id << " is no " << name;
      }
      answered_from_memory += fast.size() < full.size() ? 1 : 0;
      seen_running[name] += full.empty() ? 0 : 1;
    }
  }
  // The story must have exercised what it is about.
  EXPECT_GT(answered_from_memory, 0) << "the remembered matches never answered alone";
  for (const std::string& name : kNames)
    EXPECT_GT(seen_running[name], 30) << name;
}

TEST(RememberedMatches, AProcessStartedLaterIsListedAfterTheNextFullScan) {
  testing::TempDir root;
  FakeProc proc(root.path());
  ProcfsProcessTable table(root.path().string(), std::chrono::milliseconds(100));
  const auto listed = [&] {
    const auto pids = table.running("nightly");
    return std::set<ProcessId>(pids.begin(), pids.end());
  };
  proc.write(kFirstPid, {"nightly", 1});
  ASSERT_EQ(listed(), std::set<ProcessId>{kFirstPid});
  proc.write(kFirstPid + 1, {"nightly", 2});
  EXPECT_TRUE(testing::poll_until(
      [&] {
        return listed() == std::set<ProcessId>{kFirstPid, kFirstPid + 1};
      },
      std::chrono::milliseconds(5000)));
}

}  // namespace
}  // namespace tambrel::procfs
