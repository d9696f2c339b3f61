// The once-a-second process watcher.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "process/watcher.h"

namespace tambrel {
namespace {

using testing::Rig;
namespace colors = forms::colors;

TEST(Watcher, ShowsRunningOnGreenAndStoppedOnRedEverySecond) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  rig.start();
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "-----------");
  rig.advance(999);
  EXPECT_TRUE(rig.processes.calls.empty()) << "the first look comes one second after Load";
  rig.advance(1);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "STOPPED");
  EXPECT_EQ(rig.control(PROCESS_STATE_TEXTBOX).back_color(), colors::kRed);
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "-----------") << "never STOPPED there";

  rig.processes.start("notepad.exe");
  rig.processes.start("notepad.exe");
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING");
  EXPECT_EQ(rig.control(PROCESS_STATE_TEXTBOX).back_color(), colors::kGreen);
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "RUNNING");
  EXPECT_EQ(rig.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).back_color(), colors::kGreen);

  rig.processes.processes.pop_back();
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING") << "one of two still runs";
  rig.processes.stop_all("notepad.exe");
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "STOPPED");
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "RUNNING") << "kept while stopped";
  EXPECT_EQ(rig.processes.calls.size(), 4u);
}

TEST(Watcher, ReadsTheNameOnEveryTickAndAnEmptyNameIsStopped) {
  Rig rig;
  rig.processes.start("editor.exe");
  rig.start();
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "STOPPED");
  rig.main().user_set_text(PROCESS_NAME_TEXTBOX, "editor.exe");
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING");
  EXPECT_EQ(rig.processes.calls.back(), "running editor.exe");
}

TEST(Watcher, UnicodeAndOddNamesArePassedThroughUnchanged) {
  Rig rig;
  const std::string name = "Größe 'x' 100%.exe";
  rig.store("PROCESS_NAME_TEXTBOX", name);
  rig.processes.start(name);
  rig.start();
  rig.advance(1000);
  EXPECT_EQ(rig.processes.calls.back(), "running " + name);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING");
}

TEST(Watcher, ANameNoProcessHasIsToldWhatItEndsWithAndWhatCameClose) {
  struct Row {
    const char* name;
    const char* ending;
    const char* hint;
  };
  for (const Row& r :
       {Row{"mousepad ", "", " (the name ends with a space)"},
        Row{"notepad.exe\t", ".exe", " (the name ends with a tab)"},
        Row{"notepad", ".exe", " (image names end with \".exe\": \"notepad.exe\"?)"},
        Row{"NOTEPAD.EXE", ".exe", ""}, Row{"mousepad", "", ""}, Row{"", ".exe", ""}}) {
    EXPECT_EQ(name_ending_hint(r.name, r.ending), r.hint) << r.name;
  }
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "mousepad ");
  rig.processes.near_processes = {{rig.processes.start("mousepad"), "mousepad"}};
  rig.start();
  rig.advance(1000);
  const std::string found =
      "no process named \"mousepad \" (the name ends with a space); running "
      "under a name close to it: \"mousepad\" (pid 1000)";
  EXPECT_EQ(rig.control(PROCESS_STATE_TEXTBOX).tool_tip_text(), found);
  EXPECT_EQ(rig.log.events.back(), "process state: STOPPED, " + found);
}

TEST(Watcher, AFailedQueryIsReportedAndEndsTheProgram) {
  Rig rig;
  rig.processes.fail_queries_with = "ExecQuery failed: 0x80041017";
  rig.start();
  rig.advance(5000);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_NE(rig.view.message_boxes[0].text.find("0x80041017"), std::string::npos);
  EXPECT_EQ(rig.processes.calls.size(), 1u) << "no tick after the error";
}

}  // namespace
}  // namespace tambrel
