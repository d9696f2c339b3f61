// The real settings store refusing each write of a run in turn, under the real program on a
// virtual clock: the store is made unusable for exactly that write (a directory where its file
// belongs, which stops even root), and the file is read back afterwards by a fresh process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fakes/fake_process_table.h"
#include "fakes/fake_window_manager.h"
#include "fakes/recording_view.h"
#include "fakes/virtual_clock.h"
#include "platform/error.h"
#include "platform/xdg/ini_file_store.h"
#include "shell/startup.h"
#include "support.h"

namespace tambrel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

/// The real store, with write number `refused` (1-based) made to fail by the file system.
class RefusingIniFileStore : public SettingsStore {
 public:
  explicit RefusingIniFileStore(int refused) : refused_(refused) {}

  std::optional<std::string> read(std::string_view section, std::string_view key) override {
    return store_.read(section, key);
  }

  void write(std::string_view section, std::string_view key, std::string_view value) override {
    attempts.emplace_back(std::string(key), std::string(value));
    if (static_cast<int>(attempts.size()) != refused_) {
      store_.write(section, key, value);
      return;
    }
    const fs::path file = store_.location(section);
    const fs::path aside = file.string() + ".aside";
    fs::rename(file, aside);
    fs::create_directory(file);
    // Put the file back however the write ends, so that any later write would land and show.
    struct Restore {
      fs::path file, aside;
      ~Restore() {
        fs::remove_all(file);
        fs::rename(aside, file);
      }
    } restore{file, aside};
    store_.write(section, key, value);
    ADD_FAILURE() << "the store accepted write " << refused_ << " into a directory";
  }

  std::string location(std::string_view section) const override { return store_.location(section); }

  /// Every write asked for, (key, value), the refused one included.
  std::vector<std::pair<std::string, std::string>> attempts;

 private:
  xdg::IniFileStore store_;
  int refused_;
};

/// What a fresh process reads from `file`: its QSettings status and its keys.
struct OnDisk {
  int status = -1;
  std::map<std::string, std::string> values;
};

OnDisk read_back(const fs::path& file) {
  testing::Child probe(TAMBREL_SETTINGS_PROBE, {TAMBREL_SETTINGS_PROBE, file.string()}, true);
  OnDisk disk;
  const auto first = probe.read_line(milliseconds(10000));
  if (!first || !first->starts_with("status "))
    return disk;
  disk.status = std::stoi(first->substr(7));
  while (const auto line = probe.read_line(milliseconds(10000))) {
    const auto eq = line->find('=');
    disk.values[line->substr(0, eq)] = line->substr(eq + 1);
  }
  probe.wait(milliseconds(10000));
  return disk;
}

const std::map<std::string, std::string> kSeed = {
    {"MainLeft", "1000"},
    {"MainTop", "1000"},
    {"AUTOSTART_COUNTDOWN_TICKBOX", "1"},  // its restore writes "1" back: write 1
    {"WINDOW_NAME_TEXTBOX", "Old title"},
    {"WAIT_FOR_PROCESS_TICKBOX", "0"},  // write 2
    {"PROCESS_NAME_TEXTBOX", "old-image"},
    {"SENDKEYS_TICKBOX", "0"},
    {"ALWAYS_ON_TOP_TICKBOX", "0"},
    {"AUTO_TERMINATE_TICKBOX", "0"},
};

struct ProgramRun {
  explicit ProgramRun(std::string name)
      : section(std::move(name)), file(xdg::IniFileStore().location(section)) {}
  std::string section;
  std::string file;
  std::unique_ptr<RefusingIniFileStore> store;
  testing::RecordingView view;
  std::unique_ptr<Program> program;
};

/// One run of the program with write `refused` refused (0: none): start, the user ticks
/// SENDKEYS (write 3) and edits the title, name and position, then the countdown, the close
/// request and the exit countdown run to the exit procedure (writes 4-12) and Unload (13-20).
void run_program(ProgramRun& run, int refused) {
  testing::VirtualClock clock;
  testing::FakeWindowManager windows;
  testing::RecordingKeySender keys{windows};
  testing::FakeProcessTable processes;
  run.store = std::make_unique<RefusingIniFileStore>(refused);

  xdg::IniFileStore seeder;
  for (const auto& [key, value] : kSeed)
    seeder.write(run.section, key, value);

  run.program = std::make_unique<Program>(
      run.view, Services{clock, windows, keys, processes, *run.store, run.section});
  Program& program = *run.program;
  program.start();
  forms::Application& app = program.app();
  // Each user action only while the program still runs, as a view would deliver them.
  const std::vector<std::function<void(TambrelMain&)>> user = {
      [](TambrelMain& main) { main.user_set_value(SENDKEYS_TICKBOX, 1); },
      [](TambrelMain& main) { main.user_set_text(WINDOW_NAME_TEXTBOX, "New title"); },
      [](TambrelMain& main) { main.user_set_text(PROCESS_NAME_TEXTBOX, "new-image"); },
      [](TambrelMain& main) { main.user_moved(-120, 30); },
  };
  for (const auto& action : user) {
    if (!app.ended())
      action(*program.main());
  }
  // The virtual clock as a view's timer would drive it, for two virtual minutes.
  while (!app.ended()) {
    const auto due = app.next_due();
    if (!due || *due > 120000)
      break;
    if (*due > clock.now_ms())
      clock.set(*due);
    app.fire_due();
  }
}

TEST(SettingsStoreFaults, WithoutAFaultTheRunWritesTwentyTimesAndEndsWell) {
  ProgramRun run("no-fault");
  run_program(run, 0);
  EXPECT_TRUE(run.program->app().ended());
  EXPECT_FALSE(run.program->app().failed());
  EXPECT_TRUE(run.view.message_boxes.empty());
  ASSERT_EQ(run.store->attempts.size(), 20u);
  const OnDisk disk = read_back(run.file);
  EXPECT_EQ(disk.status, 0);
  std::map<std::string, std::string> expected = kSeed;
  expected["MainLeft"] = "-120";
  expected["MainTop"] = "30";
  expected["WINDOW_NAME_TEXTBOX"] = "New title";
  expected["PROCESS_NAME_TEXTBOX"] = "new-image";
  expected["SENDKEYS_TICKBOX"] = "1";
  EXPECT_EQ(disk.values, expected);
}

/// Every write refused in turn: one message naming the key and the file, the program ends at
/// once, the writes before it are on disk, the refused key keeps its old value, and nothing
/// after it is even attempted.
TEST(SettingsStoreFaults, EachRefusedWriteEndsTheRunWithTheEarlierWritesOnDisk) {
  for (int refused = 1; refused <= 20; ++refused) {
    SCOPED_TRACE("refused write " + std::to_string(refused));
    ProgramRun run("refused-" + std::to_string(refused));
    run_program(run, refused);
    const auto& attempts = run.store->attempts;
    ASSERT_EQ(attempts.size(), static_cast<std::size_t>(refused)) << "writes after the failure";
    const std::string& key = attempts.back().first;

    ASSERT_EQ(run.view.message_boxes.size(), 1u);
    const std::string& text = run.view.message_boxes[0].text;
    EXPECT_NE(text.find(" failed for the setting "), std::string::npos) << text;
    EXPECT_NE(text.find("\"" + key + "\""), std::string::npos) << text;
    EXPECT_NE(text.find(run.file), std::string::npos) << text;
    EXPECT_TRUE(run.program->app().ended());
    EXPECT_TRUE(run.program->app().failed());
    EXPECT_EQ(run.program->exit_status(), 1);

    std::map<std::string, std::string> expected = kSeed;
    for (int i = 0; i + 1 < refused; ++i)
      expected[attempts[i].first] = attempts[i].second;
    const OnDisk disk = read_back(run.file);
    EXPECT_EQ(disk.status, 0);
    EXPECT_EQ(disk.values, expected);
    // The new values are only ever written by the exit procedure and Unload: a refusal before
    // write 4 leaves every edited value as it was.
    if (refused <= 4) {
      EXPECT_EQ(disk.values.at("WINDOW_NAME_TEXTBOX"), "Old title");
      EXPECT_EQ(disk.values.at("MainLeft"), "1000");
    }
  }
}

// Two copies of one name save at the same moment, here through two links to one file (a link
// is a copy under another name): each save reads, changes and replaces the file under its lock,
// so every key of both is on disk, in the file the links name, and the links stay links.
TEST(SettingsStoreFaults, TwoCopiesSavingAtOnceThroughTwoLinksLoseNoKey) {
  xdg::IniFileStore store;
  const fs::path file = store.location("shared");
  fs::create_directories(file.parent_path());
  fs::create_symlink(file.filename(), store.location("link-one"));
  fs::create_symlink(file, store.location("link-two"));
  constexpr int kKeys = 200;
  std::atomic<int> failures = 0;
  auto copy = [&](const std::string& section) {
    xdg::IniFileStore own;
    try {
      for (int i = 0; i < kKeys; ++i)
        own.write(section, section + "_" + std::to_string(i), std::to_string(i));
    } catch (const Error&) {
      ++failures;
    }
  };
  std::thread one(copy, "link-one"), two(copy, "link-two");
  one.join();
  two.join();
  EXPECT_EQ(failures, 0);
  int kept = 0;
  for (const std::string section : {"link-one", "link-two"}) {
    for (int i = 0; i < kKeys; ++i)
      kept += store.read("shared", section + "_" + std::to_string(i)) == std::to_string(i);
  }
  EXPECT_EQ(kept, 2 * kKeys);
  EXPECT_TRUE(fs::is_symlink(store.location("link-one")) &&
              fs::is_symlink(store.location("link-two")));
}

// A copy killed in the middle of a large save leaves its temporary file beside the .ini; the
// next save of that file removes it, and only it.
TEST(SettingsStoreFaults, TheNextSaveRemovesTheTemporaryFileOfASaveKilledHalfWay) {
  xdg::IniFileStore store;
  const fs::path file = store.location("killed");
  auto names = [&] {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("killed.ini"))
        found.insert(name);
    }
    return found;
  };
  store.write("killed", "MainLeft", "0");
  std::ofstream(file.string() + ".keep") << "not a temporary file\n";
  const std::set<std::string> kept = {"killed.ini", "killed.ini.keep", "killed.ini.lock"};
  // Killed the moment its temporary file shows; retried should the rename come first.
  for (int attempt = 0; attempt < 20 && names() == kept; ++attempt) {
    const pid_t saver = fork();
    if (saver == 0) {
      for (int i = 0;; ++i)
        store.write("killed", "WINDOW_NAME_TEXTBOX", std::string(4 << 20, i % 2 ? 'a' : 'b'));
    }
    testing::poll_until([&] { return names().size() > kept.size(); }, milliseconds(10000));
    kill(saver, SIGKILL);
    waitpid(saver, nullptr, 0);
  }
  if (names() == kept)
    GTEST_SKIP() << "no kill landed in the middle of a save in 20 tries";
  store.write("killed", "MainLeft", "1");
  EXPECT_EQ(names(), kept);
}

}  // namespace
}  // namespace tambrel

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // One temporary configuration home for the whole program; runs keep apart by section.
  tambrel::testing::TempDir home;
  tambrel::testing::ScopedEnv env("XDG_CONFIG_HOME", home.path().string());
  return RUN_ALL_TESTS();
}
