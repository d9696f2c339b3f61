// The five-minute auto-terminate chain and the TERMINATE PROCESS NOW button.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;
namespace colors = forms::colors;

constexpr Millis kMinute = 60000;

/// The five minute boxes as a row: G green, R red, - window background.
std::string row(Rig& rig) {
  std::string r;
  for (int n = 1; n <= 5; ++n) {
    const auto c = rig.control(TERMINATE_COUNTDOWN_TEXTBOX[n]).back_color();
    r += c == colors::kGreen              ? 'G'
         : c == colors::kRed              ? 'R'
         : c == colors::kWindowBackground ? '-'
                                          : '?';
  }
  return r;
}

struct Chain : ::testing::Test {
  Rig rig;
  void SetUp() override {
    rig.store("PROCESS_NAME_TEXTBOX", "stuck.exe");
    rig.processes.start("stuck.exe");
  }
};

TEST_F(Chain, TickingTheBoxRunsFiveMinutesThenTerminates) {
  rig.start();
  rig.advance(1000);
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 1);
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "AUTO_TERMINATE_TICKBOX"), "1");
  for (int n = 1; n <= 5; ++n)
    EXPECT_TRUE(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[n]).enabled());
  EXPECT_EQ(row(rig), "-----") << "no close request yet: box 1 keeps its colour";
  const std::vector<std::string> expected = {"RG---", "RRG--", "RRRG-", "RRRRG"};
  for (int minute = 1; minute <= 4; ++minute) {
    rig.advance(kMinute);
    EXPECT_EQ(row(rig), expected[minute - 1]) << "minute " << minute;
    EXPECT_EQ(rig.processes.count("stuck.exe"), 1);
  }
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).fore_color(), colors::kWindowBackground);
  rig.advance(kMinute - 1);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 1) << "not a moment before five minutes";
  rig.advance(1);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 0);
  EXPECT_EQ(row(rig), "RRRRR");
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "TERMINATED");
  EXPECT_EQ(rig.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).back_color(), colors::kRed);
  EXPECT_EQ(rig.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).fore_color(),
            colors::kWindowBackground);
  for (int n = 1; n <= 5; ++n)
    EXPECT_FALSE(rig.timer_on(AUTO_TERMINATE_TIMER[n]));
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "STOPPED");
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "TERMINATED");
}

TEST_F(Chain, TheResultBoxIsShownGreenBeforeTheTerminationStarts) {
  rig.processes.processes.clear();  // the watcher never paints the box: the chain does
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(4 * kMinute);
  std::vector<std::string> changes_before_terminate;
  rig.processes.before_terminate = [&] { changes_before_terminate = rig.view.changes; };
  rig.advance(kMinute);
  ASSERT_FALSE(changes_before_terminate.empty());
  EXPECT_EQ(changes_before_terminate.back(), "PROCESS_TERMINATED_COUNTDOWN_TEXTBOX back=65280");
  EXPECT_EQ(rig.view.changes.back(), "PROCESS_TERMINATED_COUNTDOWN_TEXTBOX text=TERMINATED");
}

TEST_F(Chain, ARefusedTerminationShowsFailedNotTerminated) {
  rig.processes.processes.clear();
  rig.processes.start("stuck.exe", /*refuses_termination=*/true);
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(5 * kMinute);
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "FAILED");
  EXPECT_EQ(rig.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).back_color(), colors::kRed);
  EXPECT_TRUE(rig.view.message_boxes.empty());
  rig.advance(1000);
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "RUNNING") << "it still runs";
}

TEST_F(Chain, StoredTickStartsTheChainWithTheProgram) {
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(5 * kMinute - 1);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 1);
  rig.advance(1);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 0);
}

TEST_F(Chain, UntickingStopsAndResetsAndReTickingStartsAFreshChain) {
  rig.start();
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 1);
  rig.advance(2 * kMinute + 30000);  // in minute 3
  EXPECT_EQ(row(rig), "RRG--");
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 0);
  EXPECT_EQ(row(rig), "-----");
  for (int n = 1; n <= 5; ++n) {
    EXPECT_FALSE(rig.timer_on(AUTO_TERMINATE_TIMER[n]));
    EXPECT_FALSE(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[n]).enabled());
  }
  EXPECT_EQ(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[2]).fore_color(), colors::kWindowBackground)
      << "passed minutes keep their digit colour";
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "AUTO_TERMINATE_TICKBOX"), "0");
  rig.advance(10 * kMinute);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 1);
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 1);
  rig.advance(5 * kMinute);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 0);
}

TEST_F(Chain, UntickingAfterDoneKeepsTheResultBox) {
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(5 * kMinute);
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 0);
  EXPECT_EQ(row(rig), "-----");
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "TERMINATED");
}

TEST_F(Chain, TheNameIsReadWhenTheFifthMinuteEnds) {
  rig.processes.start("other.exe");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(3 * kMinute);
  rig.main().user_set_text(PROCESS_NAME_TEXTBOX, "other.exe");
  rig.advance(2 * kMinute);
  EXPECT_EQ(rig.processes.count("other.exe"), 0);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 1);
}

TEST_F(Chain, AnEmptyNameTerminatesNothingAndStillSaysTerminated) {
  rig.store("PROCESS_NAME_TEXTBOX", "");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(5 * kMinute);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 1);
  EXPECT_EQ(rig.text(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX), "TERMINATED");
}

TEST_F(Chain, TerminateNowActsAtOnceAndLeavesTheChainRunning) {
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  rig.advance(kMinute + 1000);
  rig.main().user_click(TERMINATE_PROCESS_NOW_BUTTON);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 0);
  EXPECT_EQ(row(rig), "RG---");
  EXPECT_TRUE(rig.timer_on(AUTO_TERMINATE_TIMER[2]));
  rig.processes.start("stuck.exe");  // started again before the chain ends
  rig.advance(4 * kMinute);
  EXPECT_EQ(rig.processes.count("stuck.exe"), 0);
  EXPECT_EQ(
      std::count(rig.processes.calls.begin(), rig.processes.calls.end(), "terminate stuck.exe"), 2);
}

TEST_F(Chain, TerminateNowWithNothingRunningChangesNothingVisible) {
  rig.processes.processes.clear();
  rig.start();
  rig.advance(1000);
  rig.view.changes.clear();
  rig.main().user_click(TERMINATE_PROCESS_NOW_BUTTON);
  // Only the button's tool tip tells what the press found.
  EXPECT_EQ(rig.view.changes,
            (std::vector<std::string>{"TERMINATE_PROCESS_NOW_BUTTON tip=Last press: no process "
                                      "named \"stuck.exe\" was running"}));
  EXPECT_EQ(rig.processes.calls.back(), "terminate stuck.exe");
}

}  // namespace
}  // namespace tambrel
