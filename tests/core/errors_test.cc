// One dispatch point: any error becomes one message box and the end of the program.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

/// Every write a handler can make, refused in turn: one named message, the program ends, the
/// keys before the refused one are written and none after.
TEST(Errors, ARefusedWriteEndsTheProgramAndNothingAfterItIsWritten) {
  for (int refused = 1; refused <= 17; ++refused) {
    Rig rig;
    rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");  // its restore writes once (write 1)
    rig.store("WAIT_FOR_PROCESS_TICKBOX", "0");     // and this one (write 2)
    rig.settings.refuse_write_number = refused;
    rig.start();
    rig.advance(60000);  // exit procedure: writes 3-11, Unload: 12-19
    SCOPED_TRACE("refused write " + std::to_string(refused));
    ASSERT_EQ(rig.view.message_boxes.size(), 1u);
    EXPECT_NE(rig.view.message_boxes[0].text.find("Could not save the setting"), std::string::npos);
    EXPECT_TRUE(rig.ended());
    EXPECT_TRUE(rig.program->app().failed());
    EXPECT_EQ(rig.settings.writes.size(), static_cast<std::size_t>(refused - 1));
  }
}

TEST(Errors, AnErrorInAClickSaveEndsTheProgram) {
  Rig rig;
  rig.settings.refuse_write_number = 1;
  rig.start();
  rig.main().user_set_value(SENDKEYS_TICKBOX, 1);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_NE(rig.view.message_boxes[0].text.find("\"SENDKEYS_TICKBOX\""), std::string::npos);
  EXPECT_TRUE(rig.ended());
  // Said as well, for whoever is not looking at the window the box opens over.
  EXPECT_EQ(rig.view.announcements, std::vector<std::string>{rig.view.message_boxes[0].text});
  const auto calls = rig.processes.calls.size();
  rig.advance(10000);
  EXPECT_EQ(rig.processes.calls.size(), calls) << "no tick after the end";
}

TEST(Errors, AnErrorWhileAboutIsOpenEndsEverythingOnce) {
  Rig rig;
  rig.processes.fail_queries_with = "ExecQuery failed: 0x80041003";
  rig.start();
  bool modal_returned = false;
  rig.view.while_modal = [&](forms::Form&) {
    rig.advance(5000);
    modal_returned = true;
  };
  rig.main().user_click(ABOUT_BUTTON);
  EXPECT_TRUE(modal_returned);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_EQ(rig.processes.calls.size(), 1u);
  EXPECT_TRUE(rig.ended());
}

TEST(Errors, ATerminationFailureOfTheQueryItselfIsReported) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "x.exe");
  rig.start();
  rig.processes.fail_queries_with = "ExecQuery failed: 0x80041017";
  rig.main().user_click(TERMINATE_PROCESS_NOW_BUTTON);
  ASSERT_EQ(rig.view.message_boxes.size(), 1u);
  EXPECT_EQ(rig.view.message_boxes[0].title, "TAMBREL");
}

}  // namespace
}  // namespace tambrel
