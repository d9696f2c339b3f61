// The activity log: the events a run states, the tool tips, and the log file's lines and rotation.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/rig.h"
#include "platform/log_file.h"
#include "platform/visible_text.h"

namespace tambrel {
namespace {

using testing::Rig;
namespace fs = std::filesystem;

std::string joined(const std::vector<std::string>& events) {
  std::string all;
  for (const auto& e : events)
    all += e + "\n";
  return all;
}

/// Starts a run with the countdown on, the close message chosen and notepad running.
void start_run(Rig& rig, const std::string& title, const std::string& sendkeys = "0") {
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("SENDKEYS_TICKBOX", sendkeys);
  rig.store("WINDOW_NAME_TEXTBOX", title);
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  rig.store("WAIT_FOR_PROCESS_TICKBOX", "0");
  rig.processes.start("notepad.exe");
  rig.start();
}

TEST(ActivityEvents, ARunWhoseTitleMatchesNoWindowSaysSoFromStartToExit) {
  Rig rig;
  start_run(rig, "Untitled - Notepad");
  rig.processes.stop_all("notepad.exe");
  rig.advance(7000);
  ASSERT_FALSE(rig.ended());
  // Stopped before the request: nothing is asked, and the reason is given.
  EXPECT_EQ(rig.log.starting("close request").size(), 1u) << joined(rig.log.events);
  EXPECT_NE(rig.log.starting("close request")[0].find("STOPPED"), std::string::npos);

  Rig missing;
  start_run(missing, "No Such Window");
  missing.advance(7000);
  EXPECT_EQ(missing.control(WINDOW_NAME_TEXTBOX).tool_tip_text(),
            "Last lookup: no window has the title \"No Such Window\"");
  missing.advance(8000);
  ASSERT_TRUE(missing.ended());
  const auto& e = missing.log.events;
  ASSERT_FALSE(e.empty());
  EXPECT_TRUE(e.front().starts_with("start: TAMBREL ")) << e.front();
  EXPECT_NE(e.front().find("\"backup-job\""), std::string::npos) << e.front();
  EXPECT_EQ(missing.log.starting("countdown started").size(), 1u) << joined(e);
  EXPECT_EQ(missing.log.starting("close request"),
            (std::vector<std::string>{"close request: no window has the title \"No Such "
                                      "Window\"; nothing was asked to close"}));
  EXPECT_EQ(missing.log.starting("exit countdown started").size(), 1u);
  EXPECT_EQ(e.back(), "exit: exit countdown ended with the process state RUNNING");
}

TEST(ActivityEvents, TheCloseRequestNamesTheWindowAndItsProcess) {
  Rig rig;
  const WindowId w = rig.windows.open("Untitled - Notepad");
  rig.windows.window(w)->owner = {1000, "notepad.exe"};
  start_run(rig, "Untitled - Notepad");
  rig.advance(7000);
  EXPECT_EQ(rig.log.starting("close request"),
            (std::vector<std::string>{"close request: posted to window 0x64 (pid 1000, "
                                      "notepad.exe) titled \"Untitled - Notepad\""}));
  EXPECT_EQ(rig.control(WINDOW_NAME_TEXTBOX).tool_tip_text(),
            "Last lookup: window 0x64 (pid 1000, notepad.exe) titled \"Untitled - Notepad\"");

  // A title's own quotes are escaped, so the log shows where it ends.
  Rig quoting;
  quoting.windows.open("say \"hi\"");
  start_run(quoting, "say \"hi\"");
  quoting.advance(7000);
  EXPECT_EQ(quoting.log.starting("close request"),
            (std::vector<std::string>{"close request: posted to window 0x64 (process unknown) "
                                      "titled \"say \\\"hi\\\"\""}));
}

TEST(ActivityEvents, AWindowThatTakesNoCloseRequestsIsNotAskedAndTheLogSaysWhatCanEndIt) {
  Rig rig;
  const WindowId w = rig.windows.open("Untitled - Notepad");
  rig.windows.window(w)->owner = {1000, "notepad.exe"};
  rig.windows.window(w)->takes_close_requests = false;
  start_run(rig, "Untitled - Notepad");
  rig.advance(7000);
  EXPECT_EQ(rig.log.starting("close request"),
            (std::vector<std::string>{
                "close request: window 0x64 (pid 1000, notepad.exe) titled \"Untitled - Notepad\" "
                "takes no close requests, so none was sent; only TERMINATE PROCESS NOW or the "
                "five-minute chain can end it"}));
  EXPECT_EQ(std::count(rig.windows.calls.begin(), rig.windows.calls.end(), "post_close 100"), 0);
  EXPECT_TRUE(rig.windows.exists(w));
}

TEST(ActivityEvents, AltF4IsReportedSentOrSkippedWithTheWindowInFrontOrWhatBlocksIt) {
  Rig sent;
  const WindowId w = sent.windows.open("Untitled - Notepad");
  start_run(sent, "Untitled", "1");
  sent.advance(7000);
  EXPECT_EQ(sent.log.starting("close request"),
            (std::vector<std::string>{
                "close request: activated window 0x64 (process unknown) for \"Untitled\"",
                "close request: Alt+F4 sent to window 0x64 (process unknown)"}));
  EXPECT_FALSE(sent.windows.exists(w));

  Rig skipped;
  skipped.windows.open("Untitled - Notepad");
  const WindowId other = skipped.windows.open("Terminal");
  skipped.windows.window(other)->owner = {77, ""};
  skipped.windows.foreground = other;
  skipped.windows.refuse_activation = true;
  start_run(skipped, "Untitled - Notepad", "1");
  skipped.advance(7000);
  const auto events = skipped.log.starting("close request: Alt+F4");
  ASSERT_EQ(events.size(), 1u) << joined(skipped.log.events);
  EXPECT_EQ(events[0],
            "close request: Alt+F4 skipped: window 0x65 (pid 77) is in front, not window 0x64 "
            "(process unknown)");

  // In front, but its own modal dialog disabled it: the keys would reach no window.
  Rig blocked;
  const WindowId main = blocked.windows.open("Untitled - Notepad");
  blocked.windows.window(main)->input_blocked_by = blocked.windows.open("Save changes?");
  start_run(blocked, "Untitled - Notepad", "1");
  blocked.advance(7000);
  EXPECT_TRUE(blocked.keys.sent_to.empty());
  EXPECT_EQ(blocked.log.starting("close request: Alt+F4"),
            (std::vector<std::string>{"close request: Alt+F4 skipped: window 0x64 (process "
                                      "unknown) takes no keys: it is disabled by its own dialog, "
                                      "window 0x65 (process unknown)"}));
}

TEST(ActivityEvents, CountdownStopStartAndResetAreStated) {
  Rig rig;
  start_run(rig, "W");
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  rig.main().user_dbl_click(CLOSE_REQUEST_COUNTDOWN_TEXTBOX);
  rig.main().user_set_value(AUTOSTART_COUNTDOWN_TICKBOX, 0);
  EXPECT_EQ(
      rig.log.starting("countdown"),
      (std::vector<std::string>{"countdown started: \"AutoStart CountDown Timers\" ticked",
                                "countdown stopped: STOP COUNTDOWN pressed",
                                "countdown started: START COUNTDOWN pressed, close request in 6 s",
                                "countdown reset: 6 s and 8 s (double-click)",
                                "countdown stopped: \"AutoStart CountDown Timers\" not ticked"}));
}

TEST(ActivityEvents, TheExitNamesItsCauseOnce) {
  Rig closed;
  closed.start();
  closed.main().user_close();
  EXPECT_EQ(closed.log.starting("exit"), (std::vector<std::string>{"exit: close box"}));

  Rig signalled;
  signalled.start();
  signalled.program->close_for("signal SIGTERM");
  EXPECT_TRUE(signalled.ended());
  EXPECT_EQ(signalled.log.starting("exit"), (std::vector<std::string>{"exit: signal SIGTERM"}));

  Rig failed;
  failed.store("WINDOW_NAME_TEXTBOX", "Nowhere");
  failed.store("SENDKEYS_TICKBOX", "1");
  failed.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  failed.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  failed.processes.start("notepad.exe");
  failed.start();
  failed.advance(7000);
  ASSERT_TRUE(failed.ended());
  const auto exits = failed.log.starting("exit:");
  ASSERT_EQ(exits.size(), 1u) << joined(failed.log.events);
  EXPECT_TRUE(exits[0].starts_with("exit: error: ")) << exits[0];
  EXPECT_NE(exits[0].find("Nowhere"), std::string::npos) << exits[0];
}

TEST(ActivityEvents, ProcessChangesNameTheIdsAndAPressTellsWhatItEndedAndWhatWasRefused) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  const ProcessId first = rig.processes.start("notepad.exe");
  rig.start();
  rig.advance(2000);
  const ProcessId stubborn = rig.processes.start("notepad.exe", true);
  rig.advance(2000);
  EXPECT_EQ(rig.control(PROCESS_STATE_TEXTBOX).tool_tip_text(),
            "\"notepad.exe\": pids " + std::to_string(first) + ", " + std::to_string(stubborn));
  const auto before = rig.view.changes.size();
  rig.main().user_click(TERMINATE_PROCESS_NOW_BUTTON);
  const std::string outcome = "1 ended (pid " + std::to_string(first) + "); 1 refused: pid " +
                              std::to_string(stubborn) + ": refused";
  EXPECT_EQ(
      rig.log.starting("terminate"),
      (std::vector<std::string>{"terminate \"notepad.exe\" (TERMINATE PROCESS NOW): " + outcome}));
  EXPECT_EQ(rig.control(TERMINATE_PROCESS_NOW_BUTTON).tool_tip_text(), "Last press: " + outcome);
  // The press shows nothing else: its only change is the tip.
  EXPECT_EQ(std::vector<std::string>(rig.view.changes.begin() + before, rig.view.changes.end()),
            (std::vector<std::string>{"TERMINATE_PROCESS_NOW_BUTTON tip=Last press: " + outcome}));
  rig.advance(1000);
  rig.processes.stop_all("notepad.exe");
  rig.advance(1000);
  EXPECT_EQ(rig.log.starting("process state"),
            (std::vector<std::string>{
                "process state: RUNNING, \"notepad.exe\": pid " + std::to_string(first),
                "process state: RUNNING, \"notepad.exe\": pids " + std::to_string(first) + ", " +
                    std::to_string(stubborn),
                "process state: RUNNING, \"notepad.exe\": pid " + std::to_string(stubborn),
                "process state: STOPPED, no process named \"notepad.exe\""}));
  EXPECT_EQ(rig.control(PROCESS_STATE_TEXTBOX).tool_tip_text(), "no process named \"notepad.exe\"");

  rig.main().user_click(TERMINATE_PROCESS_NOW_BUTTON);
  EXPECT_EQ(rig.control(TERMINATE_PROCESS_NOW_BUTTON).tool_tip_text(),
            "Last press: no process named \"notepad.exe\" was running");
}

TEST(ActivityEvents, TheChainStatesItsTermination) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  const ProcessId pid = rig.processes.start("notepad.exe");
  rig.start();
  rig.advance(5 * 60000);
  EXPECT_EQ(rig.log.starting("terminate"),
            (std::vector<std::string>{"terminate \"notepad.exe\" (end of the five-minute chain): "
                                      "1 ended (pid " +
                                      std::to_string(pid) + ")"}));
}

// ---- the log file ------------------------------------------------------------------------------

TEST(LogLine, StampsOneLineAndEscapesControlCharacters) {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 7, t.tm_hour = 18, t.tm_min = 3, t.tm_sec = 5;
  EXPECT_EQ(iso8601(t, 42, 60), "2026-12-07T18:03:05.042+01:00");
  EXPECT_EQ(iso8601(t, 999, -570), "2026-12-07T18:03:05.999-09:30");
  EXPECT_EQ(log_line("S", "title \"a\nb\x01\"\t\xC3\xA9"), "S title \"a\\nb\\x01\"\\t\xC3\xA9\n");
  // Nor can another program's text act on a terminal or turn the line around: C1 controls
  // (encoded, or a lone byte), line separators and bidirectional controls are written out.
  EXPECT_EQ(visible_text("a\xC2\x85"
                         "b\xC2\x9B"
                         "c\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAE"
                         "d\xE2\x81\xA6\xE2\x81\xA9\x9B"
                         "e\xC4\x81\xE2\x80\xAF"),
            "a\\u0085b\\u009bc\\u2028\\u2029\\u202a\\u202ed\\u2066\\u2069\\x9b"
            "e\xC4\x81\xE2\x80\xAF");
  EXPECT_EQ(quoted_visible("say \"hi\" \\ \xE2\x80\xAEtxt.exe"),
            "\"say \\\"hi\\\" \\\\ \\u202etxt.exe\"");
}

/// Runs `body` with the process in time zone `tz`, then restores the zone.
template <typename F>
void in_zone(const char* tz, F body) {
  const char* old = getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", tz, 1);
  tzset();
  body();
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(LogLine, TheStampIsLocalTimeWithItsOffsetAcrossTheYearEnd) {
  const auto epoch = std::chrono::system_clock::time_point{};
  in_zone("XYZ-5:30", [&] {
    EXPECT_EQ(local_timestamp(epoch + std::chrono::milliseconds(7)),
              "1970-01-01T05:30:00.007+05:30");
  });
  in_zone("XYZ+3", [&] {
    EXPECT_EQ(local_timestamp(epoch + std::chrono::milliseconds(123)),
              "1969-12-31T21:00:00.123-03:00");
  });
}

struct LogFileTest : ::testing::Test {
  fs::path dir =
      fs::temp_directory_path() /
      ("tambrel-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override { fs::remove_all(dir); }
  void TearDown() override { fs::remove_all(dir); }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(LogFileTest, CreatesItsFoldersAppendsAndRotatesBeforePassingOneMegabyte) {
  const fs::path path = dir / "MERIDOX-TAMBREL" / "job.log";
  std::vector<std::string> failures;
  LogFile log(path, [&](const std::string& why) { failures.push_back(why); });
  log.record("first");
  log.record("second");
  const std::string two = read(path);
  EXPECT_NE(two.find(" first\n"), std::string::npos) << two;
  EXPECT_TRUE(two.ends_with(" second\n")) << two;

  // Filled to just below the limit: the next line would pass it, so the file moves aside whole
  // (replacing an older rotated file) and the line starts a new one.
  std::ofstream(rotated_path(path)) << "oldest\n";
  const std::string full = two + std::string(kLogRotateBytes - two.size() - 10, 'x') + "\n";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << full;
  log.record("third");
  EXPECT_EQ(read(rotated_path(path)), full);
  const std::string fresh = read(path);
  EXPECT_TRUE(fresh.ends_with(" third\n")) << fresh;
  EXPECT_EQ(fresh.find('\n'), fresh.size() - 1);
  EXPECT_TRUE(failures.empty());
}

TEST_F(LogFileTest, AnUnwritableLogIsReportedOnceAndNeverThrows) {
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "a file where the log's folder should be\n";
  int failures = 0;
  std::string why;
  LogFile log(dir / "file" / "MERIDOX-TAMBREL" / "job.log", [&](const std::string& w) {
    ++failures;
    why = w;
  });
  EXPECT_NO_THROW(log.record("one"));
  EXPECT_NO_THROW(log.record("two"));
  EXPECT_EQ(failures, 1);
  EXPECT_NE(why.find("MERIDOX-TAMBREL"), std::string::npos) << why;

  LogFile nowhere({}, [&](const std::string&) { ++failures; });
  nowhere.record("kept nowhere");
  EXPECT_EQ(failures, 1);
}

// Copies of one name that pass the limit with a line each at the same moment: the full file is
// rotated once and whole, and every line starts the new one.
TEST_F(LogFileTest, CopiesRotatingAtOnceKeepTheRotatedFileAndEveryLine) {
  const fs::path path = dir / "job.log";
  fs::create_directories(dir);
  const std::string full = std::string(kLogRotateBytes - 10, 'x') + "\n";
  constexpr int kCopies = 4;
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << full;
    fs::remove(rotated_path(path));
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> copies;
    for (int i = 0; i < kCopies; ++i) {
      copies.push_back(fork());
      if (copies.back() == 0) {
        char go;
        close(start[1]);
        (void)!::read(start[0], &go, 1);  // all copies go when the pipe closes
        bool failed = false;
        LogFile(path, [&](const std::string&) { failed = true; }).record("copy");
        _exit(failed ? 1 : 0);
      }
    }
    close(start[0]);
    close(start[1]);
    for (const pid_t copy : copies) {
      int status = 0;
      waitpid(copy, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a copy could not write";
    }
    ASSERT_TRUE(read(rotated_path(path)) == full) << "the rotated megabyte was lost";
    const std::string fresh = read(path);
    EXPECT_EQ(std::count(fresh.begin(), fresh.end(), '\n'), kCopies) << fresh;
  }
}

// The log is only ever a regular file of its own: a FIFO would hold the run before its window,
// and a link would have lines appended to whatever it points at. Both are skipped, said once.
TEST_F(LogFileTest, AFifoOrALinkInTheLogsPlaceIsSkippedAndSaidOnce) {
  fs::create_directories(dir);
  ASSERT_EQ(mkfifo((dir / "fifo.log").c_str(), 0600), 0);
  std::ofstream(dir / "elsewhere") << "not the log\n";
  fs::create_symlink(dir / "elsewhere", dir / "link.log");
  for (const auto& [name, reason] :
       {std::pair{"fifo.log", "is a FIFO, not a regular file"},
        std::pair{"link.log", "is a symbolic link, which the log never follows"}}) {
    std::vector<std::string> failures;
    LogFile log(dir / name, [&](const std::string& why) { failures.push_back(why); });
    log.record("one");
    log.record("two");
    EXPECT_EQ(failures,
              (std::vector<std::string>{"open " + (dir / name).string() + ": " + reason}));
  }
  EXPECT_EQ(read(dir / "elsewhere"), "not the log\n");
}

}  // namespace
}  // namespace tambrel
