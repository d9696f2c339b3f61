// A whole run as a user sets it up: autostart, a running target, waiting for it to end.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

TEST(TypicalRun, ClosesTheTargetWaitsForItsProcessAndEnds) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WINDOW_NAME_TEXTBOX", "Untitled - Notepad");
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  const WindowId notepad = rig.windows.open("Untitled - Notepad");
  rig.processes.start("notepad.exe");
  rig.start();

  rig.advance(6999);
  EXPECT_TRUE(rig.windows.exists(notepad));
  rig.advance(1);  // 7 s: the close request is posted
  EXPECT_FALSE(rig.windows.exists(notepad));
  EXPECT_EQ(rig.windows.calls.back(), "post_close " + std::to_string(notepad));

  // The application takes a while to exit after its window closed.
  rig.advance(20000);
  EXPECT_FALSE(rig.ended()) << "waiting while the process runs";
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING");
  rig.processes.stop_all("notepad.exe");  // at 27 s
  // Decisions fall at 15, 23, 31 s...: the first "00" after the watcher shows STOPPED.
  rig.advance(3999);
  EXPECT_FALSE(rig.ended());
  rig.advance(1);
  EXPECT_TRUE(rig.ended());
  EXPECT_EQ(rig.clock.now_ms(), 31000);
  for (const std::string& key : testing::saved_keys()) {
    EXPECT_TRUE(rig.settings.get(Rig::kSection, key).has_value()) << key;
  }
  EXPECT_TRUE(rig.view.message_boxes.empty());
}

TEST(TypicalRun, AStubbornTargetIsTerminatedAfterFiveMinutesAndTheProgramEnds) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.store("WINDOW_NAME_TEXTBOX", "Stubborn");
  rig.store("PROCESS_NAME_TEXTBOX", "stubborn.exe");
  rig.windows.open("Stubborn", /*ignores_close=*/true);
  rig.processes.start("stubborn.exe");
  rig.start();
  rig.advance(299999);
  EXPECT_FALSE(rig.ended());
  EXPECT_EQ(rig.processes.count("stubborn.exe"), 1);
  rig.advance(1);  // five minutes after start-up: terminated
  EXPECT_EQ(rig.processes.count("stubborn.exe"), 0);
  rig.advance(10000);
  EXPECT_TRUE(rig.ended());
  EXPECT_LE(rig.clock.now_ms(), 310000);
}

TEST(TypicalRun, ADayOfTickingStaysOnTheGrid) {
  Rig rig;
  rig.store("ALWAYS_ON_TOP_TICKBOX", "1");
  rig.store("PROCESS_NAME_TEXTBOX", "app.exe");
  rig.windows.foreground = rig.windows.open("Other");
  rig.start();
  rig.advance(86400000);
  EXPECT_EQ(rig.processes.calls.size(), 86400u);
  EXPECT_EQ(rig.windows.calls.size(), 2u * 86400u);
}

}  // namespace
}  // namespace tambrel
