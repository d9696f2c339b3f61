// The six-second close-request countdown and its controls.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

/// The close-request display after each of `ticks` one-second steps.
std::vector<std::string> displays(Rig& rig, int ticks) {
  std::vector<std::string> seen;
  for (int i = 0; i < ticks; ++i) {
    rig.advance(1000);
    seen.push_back(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX));
  }
  return seen;
}

TEST(SecondsField, ShowsTheAbsoluteSecondsModSixty) {
  EXPECT_EQ(seconds_field(6), "06");
  EXPECT_EQ(seconds_field(0), "00");
  EXPECT_EQ(seconds_field(-1), "01");
  EXPECT_EQ(seconds_field(-59), "59");
  EXPECT_EQ(seconds_field(-60), "00");
  EXPECT_EQ(seconds_field(125), "05");
}

TEST(CloseRequest, AutostartCountsFiveToOneAndHandsOffOnTheSixthTick) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.start();
  EXPECT_EQ(displays(rig, 5), (std::vector<std::string>{"05", "04", "03", "02", "01"}));
  EXPECT_FALSE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
  rig.advance(1000);
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "--");
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "07");
  EXPECT_TRUE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
  EXPECT_TRUE(rig.timer_on(ALT_F4_TIMER));
  EXPECT_FALSE(rig.timer_on(MAIN_CLOSING_WINDOW_TIMER));
  EXPECT_FALSE(rig.timer_on(UNLOAD_TIMER));
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "STOP COUNTDOWN");
  EXPECT_EQ(rig.main().CLOSE_REQUEST_TIME, 0);
}

TEST(CloseRequest, UntickedAutostartWaitsForStart) {
  Rig rig;
  rig.start();
  rig.advance(10000);
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "--");
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "STOP COUNTDOWN");
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "--") << "START writes no display";
  EXPECT_EQ(displays(rig, 6), (std::vector<std::string>{"05", "04", "03", "02", "01", "--"}));
  EXPECT_TRUE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
}

TEST(CloseRequest, StopFreezesStartRestartsAndTheCheckBoxResumes) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.start();
  displays(rig, 3);
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);  // STOP at "03"
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "START COUNTDOWN");
  EXPECT_EQ(displays(rig, 2), (std::vector<std::string>{"03", "03"}));
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);  // START: from six seconds
  EXPECT_EQ(displays(rig, 2), (std::vector<std::string>{"05", "04"}));
  rig.main().user_set_value(AUTOSTART_COUNTDOWN_TICKBOX, 0);
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "START COUNTDOWN");
  EXPECT_EQ(displays(rig, 1), (std::vector<std::string>{"04"}));
  rig.main().user_set_value(AUTOSTART_COUNTDOWN_TICKBOX, 1);  // resumes without a reset
  EXPECT_EQ(displays(rig, 1), (std::vector<std::string>{"03"}));
  EXPECT_EQ(rig.settings.writes.back(),
            (std::pair<std::string, std::string>{"AUTOSTART_COUNTDOWN_TICKBOX", "1"}));
}

TEST(CloseRequest, ResumingAfterAHandOffGoesBelowZeroAndHandsOffAgainSixtyTicksLater) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WAIT_FOR_PROCESS_TICKBOX", "1");
  rig.start();
  rig.advance(7000);                                   // hand-off at 6 s, delivery at 7 s
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);  // stops the exit countdown
  rig.advance(3000);
  rig.main().user_set_value(AUTOSTART_COUNTDOWN_TICKBOX, 0);
  rig.main().user_set_value(AUTOSTART_COUNTDOWN_TICKBOX, 1);
  const auto seen = displays(rig, 59);
  EXPECT_EQ(seen.front(), "01");
  EXPECT_EQ(seen[1], "02");
  EXPECT_EQ(seen.back(), "59");
  EXPECT_FALSE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
  rig.advance(1000);  // -60 s reads "00": the second hand-off
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "--");
  EXPECT_TRUE(rig.timer_on(INTERNAL_CLOSE_COMMAND_TIMER));
  EXPECT_EQ(rig.main().CLOSE_REQUEST_TIME, -60);
}

TEST(CloseRequest, DoubleClickResetsBothCountdownsWithoutTouchingTimers) {
  Rig rig;
  rig.start();
  rig.main().user_dbl_click(CLOSE_REQUEST_COUNTDOWN_TEXTBOX);  // idle: shown, nothing counts
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "05");
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "07");
  rig.advance(5000);
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "05");

  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  rig.advance(3500);  // "03", half-way to the next tick
  rig.main().user_dbl_click(CLOSE_REQUEST_COUNTDOWN_TEXTBOX);
  rig.advance(500);  // the period was not restarted: the tick comes on the old grid
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "05");
  EXPECT_EQ(displays(rig, 5), (std::vector<std::string>{"04", "03", "02", "01", "--"}));
}

TEST(CloseRequest, StopWhileADeliveryIsPendingStillDeliversAndStartsTheExitCountdown) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WINDOW_NAME_TEXTBOX", "Target");
  rig.store("PROCESS_NAME_TEXTBOX", "target.exe");
  rig.processes.start("target.exe");
  const WindowId target = rig.windows.open("Target");
  rig.start();
  rig.advance(6000);
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "START COUNTDOWN");
  rig.advance(1000);
  EXPECT_FALSE(rig.windows.exists(target));
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
}

TEST(CloseRequest, TheButtonDuringTheExitCountdownStopsItAndThenStartsAFreshCycle) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.start();
  rig.advance(9000);  // hand-off at 6 s, delivery at 7 s, two exit ticks
  EXPECT_TRUE(rig.timer_on(UNLOAD_TIMER));
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "06");
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  EXPECT_FALSE(rig.timer_on(UNLOAD_TIMER));
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  EXPECT_EQ(rig.main().UNLOAD_TIME, 8);
  EXPECT_EQ(displays(rig, 1), (std::vector<std::string>{"05"}));
}

}  // namespace
}  // namespace tambrel
