// What a screen reader is told: the changes a person needs to hear, each once, and never the
// countdowns' seconds.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

TEST(Announcements, StateRenameMinutesAndResultAreSaidOnceEach) {
  Rig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "stuck.exe");
  rig.processes.start("stuck.exe");
  rig.start();
  rig.advance(1000);
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  rig.advance(3000);  // three seconds of the close countdown, said by nobody
  rig.main().user_click(STOP_START_COUNTDOWN_BUTTON);
  rig.main().user_set_value(AUTO_TERMINATE_TICKBOX, 1);
  rig.advance(5 * 60000 + 1000);
  EXPECT_EQ(rig.view.announcements, (std::vector<std::string>{
                                        "Monitored process stuck.exe is now RUNNING",
                                        "Countdown started; the button is now STOP COUNTDOWN",
                                        "Countdown stopped; the button is now START COUNTDOWN",
                                        "Minute 5 is red: 4 minutes until the process is ended",
                                        "Minute 4 is red: 3 minutes until the process is ended",
                                        "Minute 3 is red: 2 minutes until the process is ended",
                                        "Minute 2 is red: 1 minute until the process is ended",
                                        "Auto-Terminate Result: stuck.exe TERMINATED",
                                        "Monitored process stuck.exe is now STOPPED",
                                    }));
}

}  // namespace
}  // namespace tambrel
