// What a screen reader is told about the windows, through the view's one seam.
#include <gtest/gtest.h>

#include "view_rig.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

TEST(ScreenReader, EveryBoxIsNamedByItsLabelAndAChangeIsSaidOnItsBox) {
  ViewRig rig;
  forms::Form& main = rig.show_main();
  rig.app.dispatch([&] { main.control(APP_EXE_NAME_TEXTBOX).set_text("job"); });
  const std::pair<const char*, const wchar_t*> expected[] = {
      {"APP_EXE_NAME_TEXTBOX", L"EXE FILE: job"},
      {"WINDOW_NAME_TEXTBOX", L"WINDOW NAME:"},
      {"PROCESS_NAME_TEXTBOX", L"PROCESS NAME:"},
      {"PROCESS_STATE_TEXTBOX", L"MONITORED PROCESS IS NOW:"},
      {"CLOSE_REQUEST_COUNTDOWN_TEXTBOX", L"CLOSING WINDOW IN:"},
      {"TAMBREL_UNLOAD_COUNDOWN_TEXTBOX", L"EXITING 'TAMBREL' IN:"},
      {"TERMINATE_COUNTDOWN_TEXTBOX_1", L"Minute 5"},
      {"TERMINATE_COUNTDOWN_TEXTBOX_5", L"Minute 1"},
      {"PROCESS_TERMINATED_COUNTDOWN_TEXTBOX", L"Auto-Terminate Result"}};
  for (const auto& [control, name] : expected)
    EXPECT_EQ(rig.accessibility.names[rig.control(main, control)], name) << control;
  // Minutes 4 to 2 too; buttons and check boxes keep their captions as their names.
  EXPECT_EQ(rig.accessibility.names.size(), std::size(expected) + 3);
  EXPECT_TRUE(rig.accessibility.dialogs.empty()) << "the main window is no dialog";

  main.announce(&main.control(PROCESS_STATE_TEXTBOX), "now STOPPED");
  main.announce(nullptr, "an error");
  using Said = std::tuple<HWND, DWORD, std::wstring>;
  EXPECT_EQ(rig.accessibility.said, (std::vector<Said>{{rig.control(main, PROCESS_STATE_TEXTBOX),
                                                        EVENT_OBJECT_VALUECHANGE, L"now STOPPED"},
                                                       {rig.window(main), 0, L"an error"}}));
}

TEST(ScreenReader, AboutIsADialogThatCarriesItsTextUntilItGoes) {
  ViewRig rig;
  forms::Form& about = rig.show_about();
  EXPECT_EQ(rig.accessibility.dialogs[rig.window(about)],
            L"Version 1.1. By MERIDOX. FOR MULTIPLE CONFIGURATIONS, COPY THE APPLICATION TO A "
            L"NEW FILENAME, RUN THE NEW FILE, AND CONFIGURE.");
  rig.app.dispatch([&] { about.unload(); });
  EXPECT_TRUE(rig.accessibility.dialogs.empty());
}

}  // namespace
}  // namespace tambrel::win32::test
