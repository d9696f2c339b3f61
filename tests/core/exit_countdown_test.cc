// The eight-second exit countdown, its decisions and the exit procedure.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;
namespace colors = forms::colors;

const std::vector<std::string>& kExitWrites = testing::saved_keys();

/// A rig whose exit countdown starts (the delivery enables it) at 7 s.
struct Exit : ::testing::Test {
  Rig rig;
  void start(const std::string& wait, bool running) {
    rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
    rig.store("WAIT_FOR_PROCESS_TICKBOX", wait);
    rig.store("PROCESS_NAME_TEXTBOX", "app.exe");
    rig.store("WINDOW_NAME_TEXTBOX", "Nothing");
    if (running)
      rig.processes.start("app.exe");
    rig.start();
    rig.advance(7000);
    ASSERT_TRUE(rig.timer_on(UNLOAD_TIMER));
    rig.settings.writes.clear();
  }
  std::vector<std::string> displays(int ticks) {
    std::vector<std::string> seen;
    for (int i = 0; i < ticks && !rig.ended(); ++i) {
      rig.advance(1000);
      if (rig.ended())
        break;  // the window and its controls are gone
      seen.push_back(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX));
    }
    return seen;
  }
};

TEST_F(Exit, StoppedProcessEndsOnTheEighthTickAfterSavingNineThenEightKeys) {
  start("1", false);
  EXPECT_EQ(displays(7), (std::vector<std::string>{"07", "06", "05", "04", "03", "02", "01"}));
  EXPECT_FALSE(rig.ended());
  rig.advance(1000);
  EXPECT_TRUE(rig.ended());
  EXPECT_FALSE(rig.program->app().failed());
  std::vector<std::string> expected = kExitWrites;
  expected.insert(expected.end(), kExitWrites.begin(), kExitWrites.end() - 1);
  EXPECT_EQ(rig.settings.written_keys(), expected);
  EXPECT_EQ(rig.view.events.back(), "destroy TAMBREL_MAIN");
  EXPECT_GE(rig.view.quits, 1);
}

TEST_F(Exit, RunningWithoutTheWaitOptionEndsAndLeavesTheProcess) {
  start("0", true);
  displays(8);
  EXPECT_TRUE(rig.ended());
  EXPECT_EQ(rig.processes.count("app.exe"), 1);
}

TEST_F(Exit, WaitingRestartsEightSecondsAndEndsAtTheFirstZeroAfterTheProcessStops) {
  start("1", true);
  EXPECT_EQ(displays(10),
            (std::vector<std::string>{"07", "06", "05", "04", "03", "02", "01", "07", "07", "06"}));
  EXPECT_FALSE(rig.ended());
  rig.processes.stop_all("app.exe");
  displays(5);  // "05".."01"
  EXPECT_FALSE(rig.ended());
  rig.advance(1000);
  EXPECT_TRUE(rig.ended());
}

TEST_F(Exit, UntickingWaitWhileWaitingEndsAtTheNextZero) {
  start("1", true);
  displays(9);
  rig.main().user_set_value(WAIT_FOR_PROCESS_TICKBOX, 0);
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "WAIT_FOR_PROCESS_TICKBOX"), "0");
  displays(8);
  EXPECT_TRUE(rig.ended());
  EXPECT_EQ(rig.processes.count("app.exe"), 1);
}

TEST_F(Exit, GreyWaitOrAnUnknownStateDecidesNothingAndCountsBelowZero) {
  start("2", true);
  auto seen = displays(9);
  EXPECT_EQ(seen[7], "00") << "left standing: no decision matched";
  EXPECT_EQ(seen[8], "01");
  EXPECT_FALSE(rig.ended());
  displays(58);
  EXPECT_EQ(rig.main().UNLOAD_TIME, -59);
  rig.main().user_set_value(WAIT_FOR_PROCESS_TICKBOX, 0);
  rig.advance(1000);  // -60 s reads "00" again, and now RUNNING without waiting exits
  EXPECT_TRUE(rig.ended());
}

TEST_F(Exit, TypedTextIsOverwrittenAndDoubleClickRestartsTheCount) {
  start("1", false);
  displays(3);
  rig.main().user_set_text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX, "00");
  rig.advance(1000);
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "04");
  rig.main().user_dbl_click(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX);
  EXPECT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "07");
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "05");
  EXPECT_EQ(displays(7), (std::vector<std::string>{"07", "06", "05", "04", "03", "02", "01"}));
  EXPECT_FALSE(rig.ended());
}

TEST_F(Exit, TheExitProcedureSavesWhatTheWindowShowsAtThatMoment) {
  start("0", false);
  rig.main().user_set_text(WINDOW_NAME_TEXTBOX, "Typed – later");
  rig.main().user_moved(-120, 30);
  displays(8);
  ASSERT_TRUE(rig.ended());
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "WINDOW_NAME_TEXTBOX"), "Typed – later");
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "MainLeft"), "-120");
  EXPECT_EQ(rig.settings.writes[8],
            (std::pair<std::string, std::string>{"AUTO_TERMINATE_TICKBOX", "0"}));
}

TEST_F(Exit, TheExitProcedureStopsSixTimersButNotTheChain) {
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  start("0", false);
  bool chain_on = false;
  rig.main().on_unload([&] { chain_on = rig.main().timer(AUTO_TERMINATE_TIMER[1]).enabled(); });
  displays(8);
  ASSERT_TRUE(rig.ended());
  EXPECT_TRUE(chain_on) << "the auto-terminate timers are left alone by Unload";
}

TEST_F(Exit, TheFirstTickShowsTheChainStartOnceWhenItsOptionIsTicked) {
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  start("1", true);
  const Millis first_minute_due = rig.main().timer(AUTO_TERMINATE_TIMER[1]).due_ms();
  rig.advance(1000);
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).back_color(), colors::kGreen);
  EXPECT_EQ(rig.main().timer(AUTO_TERMINATE_TIMER[1]).due_ms(), first_minute_due)
      << "enabling the running timer again keeps its minute";
  rig.advance(60000);
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).back_color(), colors::kRed);
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[2]).back_color(), colors::kGreen);
}

TEST_F(Exit, WithTheOptionUntickedTheExitCountdownNeverTouchesTheChain) {
  start("1", true);
  rig.advance(30000);
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).back_color(), colors::kWindowBackground);
  EXPECT_FALSE(rig.timer_on(AUTO_TERMINATE_TIMER[1]));
}

}  // namespace
}  // namespace tambrel
