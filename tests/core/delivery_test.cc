// Delivering the close request: the decision table, the title rules and the mends.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

struct Delivery : ::testing::Test {
  Rig rig;
  WindowId target = 0;
  /// Starts with the countdown running, a target window and, when `running`, its process.
  void start(bool running, const std::string& sendkeys,
             const std::string& typed_title = "Untitled - Notepad") {
    rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
    rig.store("SENDKEYS_TICKBOX", sendkeys);
    rig.store("WINDOW_NAME_TEXTBOX", typed_title);
    rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
    target = rig.windows.open("Untitled - Notepad");
    if (running)
      rig.processes.start("notepad.exe");
    rig.start();
    rig.advance(6000);  // the hand-off
  }
  int posts() {
    return static_cast<int>(
        std::count_if(rig.windows.calls.begin(), rig.windows.calls.end(),
                      [](const std::string& c) { return c.starts_with("post_close"); }));
  }
};

TEST_F(Delivery, RunningAndCloseMessagePostsOnceThenTheExitCountdownRuns) {
  start(true, "0");
  rig.advance(1000);
  EXPECT_FALSE(rig.windows.exists(target));
  EXPECT_EQ(posts(), 1);
  EXPECT_TRUE(rig.keys.sent_to.empty());
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "07");
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
  EXPECT_FALSE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
  EXPECT_FALSE(rig.timer_on(ALT_F4_TIMER));
}

TEST_F(Delivery, RunningAndAltF4ActivatesPausesASecondAndTypesIntoTheTarget) {
  start(true, "1");
  rig.advance(1000);
  EXPECT_EQ(rig.clock.sleeps, (std::vector<Millis>{1000}));
  EXPECT_EQ(rig.keys.sent_to, (std::vector<WindowId>{target}));
  EXPECT_FALSE(rig.windows.exists(target));
  EXPECT_EQ(posts(), 0);
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST_F(Delivery, GreyedOptionSelectsNeitherWay) {
  start(true, "2");
  rig.advance(1000);
  EXPECT_TRUE(rig.windows.exists(target));
  EXPECT_EQ(posts(), 0);
  EXPECT_TRUE(rig.keys.sent_to.empty());
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST_F(Delivery, StoppedProcessSendsNothingInEitherMode) {
  for (const char* mode : {"0", "1"}) {
    Rig fresh;
    fresh.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
    fresh.store("SENDKEYS_TICKBOX", mode);
    fresh.store("WINDOW_NAME_TEXTBOX", "W");
    const WindowId w = fresh.windows.open("W");
    fresh.start();
    fresh.advance(7000);
    EXPECT_EQ(fresh.text(PROCESS_STATE_TEXTBOX), "STOPPED");
    EXPECT_TRUE(fresh.windows.exists(w)) << mode;
    EXPECT_TRUE(fresh.keys.sent_to.empty()) << mode;
    EXPECT_TRUE(fresh.timer_on(UNLOAD_TIMER)) << mode;
  }
}

TEST_F(Delivery, ADeliveryBeforeTheWatchersFirstTickSendsNothing) {
  rig.store("WINDOW_NAME_TEXTBOX", "Untitled - Notepad");
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  target = rig.windows.open("Untitled - Notepad");
  rig.processes.start("notepad.exe");
  rig.start();
  // Arm the delivery timers at once, as a hand-off would, before the watcher has ticked.
  rig.main().timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(true);
  rig.main().timer(INTERNAL_CLOSE_COMMAND_TIMER).set_interval(500);
  rig.advance(500);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "-----------");
  EXPECT_TRUE(rig.windows.exists(target));
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST_F(Delivery, TheCloseMessageNeedsTheExactTitleAndIsNeverPostedToNoWindow) {
  start(true, "0", "Untitled");  // only the beginning of the title
  rig.advance(1000);
  EXPECT_TRUE(rig.windows.exists(target));
  EXPECT_EQ(posts(), 0) << "no window: nothing to post to";
  EXPECT_TRUE(rig.view.message_boxes.empty());
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST_F(Delivery, AltF4FindsTheTargetByTheBeginningOfItsTitle) {
  start(true, "1", "Untitled");
  rig.advance(1000);
  EXPECT_EQ(rig.keys.sent_to, (std::vector<WindowId>{target}));
}

TEST_F(Delivery, AltF4WithNoMatchingWindowIsANamedError) {
  start(true, "1", "Nothing like it");
  rig.advance(1000);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_NE(rig.view.message_boxes[0].text.find("Nothing like it"), std::string::npos);
  EXPECT_TRUE(rig.ended());
}

TEST_F(Delivery, AnEmptyNameAsksNoWindowInEitherMode) {
  for (const char* mode : {"0", "1"}) {
    Rig fresh;
    fresh.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
    fresh.store("SENDKEYS_TICKBOX", mode);
    fresh.store("WINDOW_NAME_TEXTBOX", "");
    fresh.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
    fresh.processes.start("notepad.exe");
    // An untitled window in front: the one a system lookup of "" would pick.
    const WindowId untitled = fresh.windows.open("");
    const WindowId other = fresh.windows.open("Untitled - Notepad");
    fresh.windows.foreground = untitled;
    fresh.start();
    fresh.advance(7000);
    for (const std::string& call : fresh.windows.calls) {
      EXPECT_FALSE(call.starts_with("find") || call.starts_with("activate") ||
                   call.starts_with("post_close"))
          << mode << ": " << call;
    }
    EXPECT_TRUE(fresh.keys.sent_to.empty()) << mode;
    EXPECT_TRUE(fresh.windows.exists(untitled) && fresh.windows.exists(other)) << mode;
    if (std::string(mode) == "0") {
      EXPECT_TRUE(fresh.view.message_boxes.empty());
      EXPECT_TRUE(fresh.timer_on(UNLOAD_TIMER));
    } else {
      // The same end as a name that matches no window.
      ASSERT_EQ(fresh.view.message_boxes.size(), 1u);
      EXPECT_NE(fresh.view.message_boxes[0].text.find("window name is empty"), std::string::npos)
          << fresh.view.message_boxes[0].text;
      EXPECT_TRUE(fresh.ended());
    }
  }
}

TEST_F(Delivery, AltF4IsSkippedWhenTheTargetIsNotInFrontJustBeforeTheKeystroke) {
  const WindowId other = rig.windows.open("Important document");
  rig.windows.foreground = other;
  rig.windows.refuse_activation = true;
  start(true, "1");
  rig.advance(1000);
  EXPECT_TRUE(rig.keys.sent_to.empty());
  EXPECT_TRUE(rig.windows.exists(other)) << "the window in front must not be closed";
  EXPECT_TRUE(rig.windows.exists(target));
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST_F(Delivery, TheOptionIsReadAtDeliveryAndATargetThatIgnoresTheRequestGetsNoSecond) {
  rig.windows.open_windows.clear();
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WINDOW_NAME_TEXTBOX", "Stubborn");
  rig.store("PROCESS_NAME_TEXTBOX", "stubborn.exe");
  rig.processes.start("stubborn.exe");
  target = rig.windows.open("Stubborn", /*ignores_close=*/true);
  rig.start();
  rig.advance(6000);
  rig.main().user_set_value(SENDKEYS_TICKBOX, 1);  // changed between hand-off and delivery
  rig.advance(60000);
  EXPECT_EQ(rig.keys.sent_to.size(), 1u);
  EXPECT_EQ(posts(), 0);
  EXPECT_TRUE(rig.windows.exists(target));
}

TEST_F(Delivery, AnAltF4PauseDelaysOtherTicksWithoutRepeatingThem) {
  start(true, "1");
  const auto watcher_calls = rig.processes.calls.size();
  rig.advance(1000);  // the delivery tick blocks for a second
  rig.advance(1000);
  // The watcher tick due during the pause came late, once; nothing was made up.
  EXPECT_EQ(rig.processes.calls.size() - watcher_calls, 2u);
}

TEST_F(Delivery, OfTwoWindowsWithTheTitleTheNamedProcesssOwnIsAskedElseAnotherAndTheLogSaysWhose) {
  rig.windows.open("Untitled - Notepad");  // another program's, on top
  rig.windows.open_windows.back().owner = {4242, "impostor.exe"};
  start(true, "0");
  rig.windows.window(target)->owner = {rig.processes.processes[0].pid, "notepad.exe"};
  rig.advance(1000);
  EXPECT_FALSE(rig.windows.exists(target)) << "the named process's window was asked";
  EXPECT_EQ(posts(), 1);

  Rig alone;  // only another program's window has the title
  alone.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  alone.store("WINDOW_NAME_TEXTBOX", "Untitled - Notepad");
  alone.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  alone.windows.open("Untitled - Notepad");
  alone.windows.open_windows.back().owner = {4242, "impostor.exe"};
  alone.processes.start("notepad.exe");
  alone.start();
  alone.advance(7000);
  EXPECT_TRUE(alone.windows.open_windows.empty()) << "a window titled by another program is a use";
  const auto said = alone.log.starting("close request: posted");
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("pid 4242, impostor.exe"), std::string::npos) << said[0];
  EXPECT_NE(said[0].find("belongs to another program"), std::string::npos) << said[0];
}

TEST_F(Delivery, AMissNamesTheTitlesOfTheNamedProcesssWindowsAndNoOtherProgramsInLogAndToolTip) {
  start(true, "0", "Untitled 1 - Notepad");
  rig.windows.window(target)->owner = {rig.processes.processes[0].pid, "notepad.exe"};
  rig.windows.open("*Untitled 1 - Notepad");
  rig.windows.open_windows.back().owner = {rig.processes.processes[0].pid, "notepad.exe"};
  rig.windows.open("Untitled 1 - Notepad?");  // another program's
  rig.windows.open_windows.back().owner = {4242, "impostor.exe"};
  rig.advance(1000);
  const std::string near =
      "no window has the title \"Untitled 1 - Notepad\"; the windows of \"notepad.exe\": "
      "\"Untitled - Notepad\", \"*Untitled 1 - Notepad\"";
  const auto said = rig.log.starting("close request: no window");
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "close request: " + near + "; nothing was asked to close");
  EXPECT_EQ(rig.control(WINDOW_NAME_TEXTBOX).tool_tip_text(), "Last lookup: " + near);
  EXPECT_EQ(posts(), 0);
}

}  // namespace
}  // namespace tambrel
