// The forms runtime: check box Click rule, timer scheduling on the clock, the dispatch point.
#include <gtest/gtest.h>

#include "fakes/recording_view.h"
#include "fakes/virtual_clock.h"
#include "forms/form.h"
#include "platform/error.h"

namespace tambrel::forms {
namespace {

using testing::RecordingView;
using testing::VirtualClock;

FormDesign design() {
  FormDesign d{"F", "F", 100, 100, true, true, {}, {}};
  d.controls.push_back(make_control(ControlKind::kCheckBox, "BOX", "box", 0, 0, 10, 10, 0));
  d.timers = {{"A", true}, {"B", true}, {"C", false}};
  return d;
}

struct FormsTest : ::testing::Test {
  VirtualClock clock;
  RecordingView view;
  Application app{clock, view};
  Form form{app, design()};
  std::vector<std::string> log;

  void SetUp() override {
    form.on_click(
        "BOX", [this] { log.push_back("click " + std::to_string(form.control("BOX").value())); });
    for (const char* t : {"A", "B", "C"}) {
      form.on_timer(
          t, [this, t] { log.push_back(std::string(t) + "@" + std::to_string(clock.now_ms())); });
    }
    app.dispatch([this] { form.show(); });
  }
  /// Fires ticks as a view's single native timer would, up to `until`.
  void run_until(Millis until) {
    while (auto due = app.next_due()) {
      if (*due > until || app.ended())
        break;
      if (*due > clock.now_ms())
        clock.set(*due);
      app.fire_due();
    }
    clock.set(std::max(until, clock.now_ms()));
  }
};

TEST_F(FormsTest, CheckBoxRaisesClickOnlyWhenItsValueChanges) {
  Control& box = form.control("BOX");
  box.set_value(0);  // same as design: nothing
  box.set_value(1);
  box.set_value(1);
  form.user_set_value("BOX", 2);
  form.user_set_value("BOX", 2);
  box.set_value(0);
  EXPECT_EQ(log, (std::vector<std::string>{"click 1", "click 2", "click 0"}));
}

TEST_F(FormsTest, AUserClickTicksAnUntickedOrGreyedBoxAndClearsATickedOne) {
  form.user_toggle("BOX");  // 0 -> 1
  form.user_toggle("BOX");  // 1 -> 0
  form.control("BOX").set_value(2);
  form.user_toggle("BOX");  // greyed -> ticked
  EXPECT_EQ(log, (std::vector<std::string>{"click 1", "click 0", "click 2", "click 1"}));
  EXPECT_EQ(clicked_value(-3), 1) << "any stored state but ticked becomes ticked";
}

TEST_F(FormsTest, TimersWithoutIntervalNeverTickAndActivationStartsTheirPeriod) {
  EXPECT_FALSE(app.next_due().has_value()) << "interval 0: nothing is due";
  clock.set(500);
  form.timer("A").set_interval(1000);
  EXPECT_EQ(app.next_due(), 1500);
  run_until(3600);
  EXPECT_EQ(log, (std::vector<std::string>{"A@1500", "A@2500", "A@3500"}));
}

TEST_F(FormsTest, EnablingAnEnabledTimerKeepsItsPeriodButANewIntervalRestartsIt) {
  form.timer("A").set_interval(1000);
  clock.set(700);
  form.timer("A").set_enabled(true);
  EXPECT_EQ(app.next_due(), 1000);
  form.timer("A").set_interval(1000);
  EXPECT_EQ(app.next_due(), 1700);
  form.timer("A").set_enabled(false);
  clock.set(900);
  form.timer("A").set_enabled(true);
  EXPECT_EQ(app.next_due(), 1900);
}

TEST_F(FormsTest, ALateTickFiresOnceAndReturnsToItsGrid) {
  form.timer("A").set_interval(1000);
  clock.set(3700);  // the thread was blocked through the ticks due at 1000, 2000 and 3000
  app.fire_due();
  EXPECT_EQ(log, (std::vector<std::string>{"A@3700"}));
  EXPECT_EQ(app.next_due(), 4000);
}

TEST_F(FormsTest, TicksDueTogetherFireInCreationOrderAndHandlersSeeEachOthersChanges) {
  form.timer("A").set_interval(1000);
  form.timer("B").set_interval(1000);
  form.timer("C").set_interval(1000);
  form.on_timer("A", [this] {
    log.push_back("A");
    form.timer("B").set_enabled(false);  // B is due too, but no longer runs
    form.timer("C").set_enabled(true);   // C's first tick is one interval from now
  });
  run_until(1000);
  EXPECT_EQ(log, (std::vector<std::string>{"A"}));
  run_until(2000);
  EXPECT_EQ(log, (std::vector<std::string>{"A", "A", "C@2000"}));
}

TEST_F(FormsTest, AnErrorShowsOneMessageBoxAndNothingRunsAfterIt) {
  form.timer("A").set_interval(1000);
  form.timer("B").set_interval(1000);
  form.on_timer("A", [] { throw Error("ExecQuery failed: 0x80041017"); });
  run_until(5000);
  ASSERT_EQ(view.message_boxes.size(), 1u);
  EXPECT_NE(view.message_boxes[0].text.find("ExecQuery failed: 0x80041017"), std::string::npos);
  EXPECT_TRUE(app.ended());
  EXPECT_TRUE(app.failed());
  EXPECT_TRUE(log.empty()) << "B was due at the same moment, after A";
  form.user_set_value("BOX", 1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(view.wake, std::nullopt);
}

TEST_F(FormsTest, AViewErrorDuringAHandlerShowsOneBoxAndStopsTheHandler) {
  form.timer("A").set_interval(1000);
  form.on_timer("A", [this] {
    // The view's drawing of this change fails, as a refused brush would.
    app.fail("CreateSolidBrush failed");
    log.push_back("after the failing call");
    form.control("BOX").set_value(1);
    log.push_back("after the next change");
  });
  run_until(3000);
  ASSERT_EQ(view.message_boxes.size(), 1u);
  EXPECT_NE(view.message_boxes[0].text.find("CreateSolidBrush failed"), std::string::npos);
  EXPECT_TRUE(app.failed());
  EXPECT_EQ(view.quits, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"after the failing call"}))
      << "the handler ends at its next change, before that change raises Click";
  app.fail("a second failure");
  EXPECT_EQ(view.message_boxes.size(), 1u) << "one box only";
}

TEST_F(FormsTest, UnloadingTheLastFormEndsTheProgramAndTheNextShowStartsFresh) {
  form.control("BOX").set_value(1);
  FormDesign other_design{"G", "G", 10, 10, true, true, {}, {}};
  Form other{app, other_design};
  app.dispatch([&] { other.show(); });
  app.dispatch([&] { form.unload(); });
  EXPECT_FALSE(app.ended());
  app.dispatch([&] { form.show(); });
  EXPECT_EQ(form.control("BOX").value(), 0) << "controls are created from the design again";
  other.user_close();
  EXPECT_FALSE(app.ended());
  form.user_close();
  EXPECT_TRUE(app.ended());
  EXPECT_FALSE(app.failed());
}

}  // namespace
}  // namespace tambrel::forms
