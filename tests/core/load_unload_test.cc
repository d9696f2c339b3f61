// Start-up: what Load restores and starts; Unload: what it saves and stops.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

const std::vector<std::string> kLoadReads = {"MainLeft",
                                             "MainTop",
                                             "MainWidth",
                                             "MainHeight",
                                             "AUTOSTART_COUNTDOWN_TICKBOX",
                                             "WINDOW_NAME_TEXTBOX",
                                             "WAIT_FOR_PROCESS_TICKBOX",
                                             "ALWAYS_ON_TOP_TICKBOX",
                                             "PROCESS_NAME_TEXTBOX",
                                             "SENDKEYS_TICKBOX",
                                             "AUTO_TERMINATE_TICKBOX"};
// Unload saves every key but the auto-terminate option, the last of the list.
const std::vector<std::string> kUnloadWrites(testing::saved_keys().begin(),
                                             testing::saved_keys().end() - 1);

TEST(Load, FirstStartAppliesDefaultsAndWritesNothing) {
  Rig rig;
  rig.start();
  TambrelMain& m = rig.main();
  EXPECT_EQ(rig.settings.reads, kLoadReads);
  EXPECT_EQ(m.left(), 1000);
  EXPECT_EQ(m.top(), 1000);
  EXPECT_EQ(m.width(), 5865);
  EXPECT_EQ(m.height(), 7695);
  EXPECT_EQ(rig.control(WAIT_FOR_PROCESS_TICKBOX).value(), 1);
  EXPECT_EQ(rig.control(ALWAYS_ON_TOP_TICKBOX).value(), 0);
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "START COUNTDOWN");
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "--");
  EXPECT_EQ(rig.text(APP_EXE_NAME_TEXTBOX), "backup-job");
  EXPECT_FALSE(rig.timer_on(MAIN_CLOSING_WINDOW_TIMER));
  EXPECT_FALSE(rig.timer_on(AlwaysOnTopTimer));
  EXPECT_TRUE(rig.timer_on(PROCESS_WATCHER_TIMER));
  EXPECT_FALSE(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).enabled());
  EXPECT_TRUE(rig.settings.writes.empty());
  EXPECT_EQ(rig.view.events,
            (std::vector<std::string>{"create TAMBREL_MAIN", "show TAMBREL_MAIN"}));
  EXPECT_EQ(rig.main().app().next_due(), 1000) << "only the watcher, one second after Load";
}

TEST(Load, RestoredBoxesThatDifferRunTheirClickOnceInsideLoad) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("WAIT_FOR_PROCESS_TICKBOX", "0");
  rig.store("ALWAYS_ON_TOP_TICKBOX", "1");  // equal to the design value: no Click
  rig.store("SENDKEYS_TICKBOX", "1");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  // The saving Click handlers wrote back what they restored, each once, in restore order.
  EXPECT_EQ(rig.settings.writes,
            (std::vector<std::pair<std::string, std::string>>{{"AUTOSTART_COUNTDOWN_TICKBOX", "1"},
                                                              {"WAIT_FOR_PROCESS_TICKBOX", "0"},
                                                              {"SENDKEYS_TICKBOX", "1"},
                                                              {"AUTO_TERMINATE_TICKBOX", "1"}}));
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "STOP COUNTDOWN");
  EXPECT_TRUE(rig.timer_on(MAIN_CLOSING_WINDOW_TIMER));
  EXPECT_TRUE(rig.timer_on(AlwaysOnTopTimer));
  EXPECT_TRUE(rig.timer_on(AUTO_TERMINATE_TIMER[1]));
  EXPECT_EQ(rig.main().timer(AUTO_TERMINATE_TIMER[1]).due_ms(), 60000);
  for (int n = 1; n <= 5; ++n)
    EXPECT_TRUE(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[n]).enabled());
  EXPECT_TRUE(rig.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).enabled());
  rig.advance(1000);
  EXPECT_EQ(rig.text(CLOSE_REQUEST_COUNTDOWN_TEXTBOX), "05") << "first tick one second after Load";
}

TEST(Load, StoredGreyStateShowsGreyButCountsAsNotTicked) {
  Rig rig;
  for (const char* key :
       {"AUTOSTART_COUNTDOWN_TICKBOX", "ALWAYS_ON_TOP_TICKBOX", "AUTO_TERMINATE_TICKBOX"}) {
    rig.store(key, "2");
  }
  rig.start();
  EXPECT_EQ(rig.control(AUTOSTART_COUNTDOWN_TICKBOX).value(), 2);
  EXPECT_FALSE(rig.timer_on(MAIN_CLOSING_WINDOW_TIMER));
  EXPECT_EQ(rig.text(STOP_START_COUNTDOWN_BUTTON), "START COUNTDOWN");
  EXPECT_FALSE(rig.timer_on(AlwaysOnTopTimer));
  EXPECT_FALSE(rig.timer_on(AUTO_TERMINATE_TIMER[1]));
  EXPECT_FALSE(rig.control(TERMINATE_COUNTDOWN_TEXTBOX[1]).enabled());
}

TEST(Load, ABadStoredValueStopsTheStartBeforeTheWindowShows) {
  Rig rig;
  rig.store("WINDOW_NAME_TEXTBOX", "Untitled - Notepad");
  rig.store("SENDKEYS_TICKBOX", "abc");
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_NE(rig.view.message_boxes[0].text.find(
                "The setting \"SENDKEYS_TICKBOX\" holds \"abc\", which is not a number "
                "(memory:backup-job)."),
            std::string::npos);
  EXPECT_TRUE(rig.ended());
  EXPECT_EQ(rig.program->exit_status(), 1);
  EXPECT_EQ(rig.view.events, (std::vector<std::string>{"create TAMBREL_MAIN"})) << "never shown";
  EXPECT_EQ(rig.text(WINDOW_NAME_TEXTBOX), "Untitled - Notepad") << "earlier steps took effect";
  EXPECT_EQ(rig.control(AUTO_TERMINATE_TICKBOX).value(), 0) << "later steps did not";
  EXPECT_EQ(rig.settings.reads.back(), "SENDKEYS_TICKBOX");
}

TEST(Load, OutOfRangeAndEmptyValuesAreErrorsToo) {
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"MainLeft", ""},
           {"MainTop", "12px"},
           {"WAIT_FOR_PROCESS_TICKBOX", "40000"},
           {"ALWAYS_ON_TOP_TICKBOX", "3"},
           {"AUTOSTART_COUNTDOWN_TICKBOX", std::string(100000, '7')}}) {
    Rig rig;
    rig.store(key, value);
    rig.start();
    ASSERT_EQ(rig.view.message_boxes.size(), 1u) << key;
    EXPECT_NE(rig.view.message_boxes[0].text.find("\"" + key + "\""), std::string::npos);
  }
}

TEST(Load, OffScreenPositionsAndOddTextsAreRestoredAsStored) {
  Rig rig;
  rig.store("MainLeft", "-120");
  rig.store("MainTop", "30");
  const std::string title = "It's \"100%\" – Größe 文字";
  rig.store("WINDOW_NAME_TEXTBOX", title);
  rig.start();
  EXPECT_EQ(rig.main().left(), -120);
  EXPECT_EQ(rig.main().top(), 30);
  EXPECT_EQ(rig.text(WINDOW_NAME_TEXTBOX), title);
}

TEST(Unload, ClosingTheWindowSavesEightKeysStopsSixTimersAndEnds) {
  Rig rig;
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.start();
  rig.settings.writes.clear();
  rig.main().user_moved(-120, 30);
  rig.control(WINDOW_NAME_TEXTBOX).set_text("typed later");
  rig.main().user_close();
  EXPECT_EQ(rig.settings.written_keys(), kUnloadWrites);
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "MainLeft"), "-120");
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "MainTop"), "30");
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "WINDOW_NAME_TEXTBOX"), "typed later");
  EXPECT_EQ(*rig.settings.get(Rig::kSection, "AUTO_TERMINATE_TICKBOX"), "1");
  EXPECT_TRUE(rig.ended());
  EXPECT_FALSE(rig.program->app().failed());
  EXPECT_EQ(rig.view.events.back(), "destroy TAMBREL_MAIN");
}

TEST(Unload, RunsItsStepsOnTheControlsBeforeTheyGo) {
  Rig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.start();
  rig.advance(3000);
  rig.main().user_dbl_click(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX);
  ASSERT_EQ(rig.text(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX), "07");
  rig.view.changes.clear();
  rig.main().user_close();
  const auto& c = rig.view.changes;
  EXPECT_NE(std::find(c.begin(), c.end(), "TAMBREL_UNLOAD_COUNDOWN_TEXTBOX text=--"), c.end());
  EXPECT_NE(std::find(c.begin(), c.end(), "CLOSE_REQUEST_COUNTDOWN_TEXTBOX text=--"), c.end());
}

TEST(Unload, ClosingWhileTheChainCountsDropsItAndTerminatesNothing) {
  Rig rig;
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.store("PROCESS_NAME_TEXTBOX", "notepad.exe");
  rig.processes.start("notepad.exe");
  rig.start();
  rig.advance(120000);
  rig.main().user_close();
  rig.advance(600000);
  EXPECT_EQ(rig.processes.count("notepad.exe"), 1);
}

// A signal or the end of the desktop session: the same Unload as the close box, status 0, even
// while the About window is open over the main window.
TEST(Unload, AnEndFromOutsideSavesAsTheCloseBoxDoesAndEndsWell) {
  for (const bool about_open : {false, true}) {
    SCOPED_TRACE(about_open ? "About open" : "main window alone");
    Rig rig;
    rig.start();
    rig.settings.writes.clear();
    rig.control(WINDOW_NAME_TEXTBOX).set_text("typed");
    if (about_open) {
      rig.view.while_modal = [&](forms::Form&) { rig.program->close_for("signal SIGTERM"); };
      rig.main().user_click(ABOUT_BUTTON);
    } else {
      rig.program->close_for("signal SIGTERM");
    }
    EXPECT_EQ(rig.settings.written_keys(), kUnloadWrites);
    EXPECT_EQ(*rig.settings.get(Rig::kSection, "WINDOW_NAME_TEXTBOX"), "typed");
    EXPECT_TRUE(rig.ended());
    EXPECT_EQ(rig.program->exit_status(), kExitEndedEarly);
    rig.program->close_for("signal SIGTERM");  // a second signal: nothing more
    EXPECT_EQ(rig.settings.written_keys(), kUnloadWrites);
  }
}

}  // namespace
}  // namespace tambrel
