// The always-on-top keeper and the About window.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "window_models/tambrel_about.h"

namespace tambrel {
namespace {

using testing::Rig;

constexpr WindowId kMainWindow = 1;  // the id RecordingView gives TAMBREL_MAIN

TEST(Keeper, DoesNothingWhileTheMainWindowIsInFront) {
  Rig rig;
  rig.store("ALWAYS_ON_TOP_TICKBOX", "1");
  rig.windows.foreground = kMainWindow;
  rig.start();
  rig.advance(5000);
  EXPECT_TRUE(rig.windows.calls.empty());
}

TEST(Keeper, DemotesTheForegroundWindowThenPromotesTheMainWindowEverySecond) {
  Rig rig;
  rig.store("ALWAYS_ON_TOP_TICKBOX", "1");
  const WindowId other = rig.windows.open("Other");
  rig.windows.window(other)->topmost = true;
  rig.windows.foreground = other;
  rig.start();
  rig.advance(999);
  EXPECT_TRUE(rig.windows.calls.empty());
  rig.advance(2001);
  const std::string demote = "topmost " + std::to_string(other) + " 0";
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{demote, "topmost 1 1", demote,
                                                         "topmost 1 1", demote, "topmost 1 1"}));
  EXPECT_FALSE(rig.windows.window(other)->topmost);
}

TEST(Keeper, UntickingStopsItAtOnceAndTickingResumesOneSecondLaterWithoutSaving) {
  Rig rig;
  rig.windows.foreground = rig.windows.open("Other");
  rig.start();  // no stored value: the restore of 0 unticks the box and stops the keeper
  rig.advance(3000);
  EXPECT_TRUE(rig.windows.calls.empty());
  rig.main().user_set_value(ALWAYS_ON_TOP_TICKBOX, 1);
  EXPECT_TRUE(rig.windows.calls.empty()) << "no immediate step on the click";
  rig.advance(1000);
  EXPECT_EQ(rig.windows.calls.size(), 2u);
  rig.main().user_set_value(ALWAYS_ON_TOP_TICKBOX, 0);
  rig.advance(5000);
  EXPECT_EQ(rig.windows.calls.size(), 2u);
  EXPECT_TRUE(rig.settings.writes.empty());
}

TEST(About, OpensModallyAtItsStoredOrDefaultPlaceAndClosesWithOk) {
  Rig rig;
  rig.store("ABOUTMainLeft", "2000");
  rig.start();
  std::vector<float> placed;
  rig.view.while_modal = [&](forms::Form& about) {
    placed = {about.left(), about.top(), about.width(), about.height()};
    about.user_moved(5000, 5000);  // moving it changes nothing stored
    about.user_click(OK_BUTTON);
  };
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_EQ(placed, (std::vector<float>{2000, 1000, 5610, 5325}));
  EXPECT_FALSE(rig.main().about->loaded());
  EXPECT_TRUE(rig.settings.writes.empty());
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_EQ(placed, (std::vector<float>{2000, 1000, 5610, 5325}));
  EXPECT_EQ(std::count(rig.view.events.begin(), rig.view.events.end(),
                       "modal TAMBREL_ABOUT over TAMBREL_MAIN"),
            2);
}

TEST(About, DoubleClickShowsTheAddressUntilTheWindowIsOpenedAgain) {
  Rig rig;
  rig.start();
  std::vector<std::string> credits;
  rig.view.while_modal = [&](forms::Form& about) {
    credits.push_back(about.control(TAMBREL_CREATOR).text());
    about.user_dbl_click(TAMBREL_CREATOR);
    about.user_dbl_click(TAMBREL_CREATOR);
    credits.push_back(about.control(TAMBREL_CREATOR).text());
  };
  rig.main().user_click(ABOUT_BUTTON);
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_EQ(credits, (std::vector<std::string>{"By MERIDOX", "tambrel@meridox.example",
                                               "By MERIDOX", "tambrel@meridox.example"}));
}

TEST(About, TheMainWindowsTimersKeepTickingWhileItIsOpen) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "app.exe");
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.processes.start("app.exe");
  rig.start();
  rig.view.while_modal = [&](forms::Form&) { rig.advance(3000); };
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_EQ(rig.text(PROCESS_STATE_TEXTBOX), "RUNNING");
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "03");
}

TEST(About, ABadStoredPlaceIsReportedAndEndsTheProgram) {
  Rig rig;
  rig.store("ABOUTMainWidth", "wide");
  rig.start();
  rig.main().user_click(ABOUT_BUTTON);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_NE(rig.view.message_boxes[0].text.find("\"ABOUTMainWidth\" holds \"wide\""),
            std::string::npos);
  EXPECT_TRUE(rig.ended());
}

TEST(About, TheExitProcedureWithAboutOpenSavesAndEndsBoth) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WAIT_FOR_PROCESS_TICKBOX", "0");
  rig.start();
  bool returned_to_modal_loop = false;
  rig.view.while_modal = [&](forms::Form&) {
    rig.advance(60000);
    returned_to_modal_loop = true;
  };
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_TRUE(returned_to_modal_loop);
  EXPECT_TRUE(rig.ended());
  EXPECT_FALSE(rig.program->app().failed());
  EXPECT_EQ(rig.clock.now_ms(), 60000);
  EXPECT_EQ(rig.settings.writes.size(), 2u + 9u + 8u)
      << "two restore Clicks, exit procedure, Unload";
  EXPECT_TRUE(rig.view.message_boxes.empty());
}

}  // namespace
}  // namespace tambrel
