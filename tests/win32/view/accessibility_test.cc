// What a screen reader is told about the windows, through the view's one seam.
#include <gtest/gtest.h>

#include "view_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

TEST(ScreenReader, EveryBoxIsNamedByItsLabelAndChangesAreSaidOnTheirBox) {
  ViewRig rig;
  forms::Form& main = rig.form(tambrel_main_design());
  rig.show_at(main, 1000, 1000, 5865, 7695);
  const std::pair<const char*, const wchar_t*> expected[] = {
      {"APP_EXE_NAME_TEXTBOX", L"EXE FILE: EXE NAME"},
      {"WINDOW_NAME_TEXTBOX", L"WINDOW NAME:"},
      {"PROCESS_NAME_TEXTBOX", L"PROCESS NAME:"},
      {"PROCESS_STATE_TEXTBOX", L"MONITORED PROCESS IS NOW:"},
      {"CLOSE_REQUEST_COUNTDOWN_TEXTBOX", L"CLOSING WINDOW IN:"},
      {"TAMBREL_UNLOAD_COUNDOWN_TEXTBOX", L"EXITING 'TAMBREL' IN:"},
      {"TERMINATE_COUNTDOWN_TEXTBOX_1", L"Minute 5"},
      {"TERMINATE_COUNTDOWN_TEXTBOX_5", L"Minute 1"},
      {"PROCESS_TERMINATED_COUNTDOWN_TEXTBOX", L"Auto-Terminate Result"}};
  auto& names = rig.accessibility.names;
  for (const auto& [control, name] : expected) {
    SCOPED_TRACE(control);
    EXPECT_EQ(names[rig.control(main, control)], name);
  }
  // The other three minute boxes; buttons and check boxes keep their captions as their names.
  EXPECT_EQ(names.size(), std::size(expected) + 3);
  EXPECT_TRUE(rig.accessibility.dialogs.empty()) << "the main window is no dialog";

  // The exe box's name carries its text; a change is said on the box it concerns.
  rig.app.dispatch([&] { main.control(APP_EXE_NAME_TEXTBOX).set_text("backup-job"); });
  EXPECT_EQ(names[rig.control(main, APP_EXE_NAME_TEXTBOX)], L"EXE FILE: backup-job");
  main.announce(&main.control(PROCESS_STATE_TEXTBOX), "now STOPPED");
  main.announce(&main.control(STOP_START_COUNTDOWN_BUTTON), "now START COUNTDOWN");
  main.announce(nullptr, "an error");
  using Said = RecordingAccessibility::Said;
  EXPECT_EQ(rig.accessibility.said,
            (std::vector<Said>{{rig.control(main, PROCESS_STATE_TEXTBOX), EVENT_OBJECT_VALUECHANGE,
                                L"now STOPPED"},
                               {rig.control(main, STOP_START_COUNTDOWN_BUTTON),
                                EVENT_OBJECT_NAMECHANGE, L"now START COUNTDOWN"},
                               {rig.window(main), 0, L"an error"}}));
}

TEST(ScreenReader, AboutIsADialogThatCarriesItsTextUntilItGoes) {
  ViewRig rig;
  forms::Form& about = rig.form(tambrel_about_design());
  rig.show_at(about, 1000, 1000, 5610, 5325);
  const HWND window = rig.window(about);
  EXPECT_EQ(rig.accessibility.dialogs[window],
            L"Version 1.1. By MERIDOX. FOR MULTIPLE CONFIGURATIONS, COPY THE APPLICATION TO A "
            L"NEW FILENAME, RUN THE NEW FILE, AND CONFIGURE.");
  rig.app.dispatch([&] { about.unload(); });
  EXPECT_TRUE(rig.accessibility.dialogs.empty());
}

}  // namespace
}  // namespace tambrel::win32::test
