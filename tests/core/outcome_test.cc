// How a run ends tells a script its outcome: the exit status and the one line on stderr.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/rig.h"

namespace tambrel {
namespace {

using testing::Rig;

struct Case {
  const char* name;
  std::function<void(Rig&)> set_up;  // before start, beside autostart, "Editor" and "editor"
  std::function<void(Rig&)> act;     // at 3 s, while the close countdown runs
  Millis until;                      // the virtual time to run to
  int status;
  const char* told;  // a fragment of what the starter hears; "" for nothing at all
};

TEST(Outcome, EachWayARunEndsGivesItsStatusAndOneLine) {
  const auto running_window = [](Rig& rig) {
    rig.windows.open("Editor");
    rig.processes.start("editor");
  };
  const std::vector<Case> cases = {
      {"closed and ended", running_window,
       [](Rig& rig) {
         rig.advance_to(8000);
         rig.processes.stop_all("editor");
       },
       16000, kExitDone, ""},
      {"left running without the wait", running_window, nullptr, 16000, kExitDone,
       "backup-job: a close request went to window 0x64 (process unknown) titled \"Editor\"; "
       "\"editor\" still runs; exit status 0"},
      {"no window has the title",
       [](Rig& rig) {
         rig.windows.open("*Editor");
         rig.processes.start("editor");
       },
       nullptr, 16000, kExitNoWindow,
       "backup-job: no window had the title \"Editor\" while \"editor\" ran, so nothing was "
       "asked to close; \"editor\" still runs; exit status 3"},
      {"Alt+F4 kept back",
       [&](Rig& rig) {
         running_window(rig);
         rig.store("SENDKEYS_TICKBOX", "1");
         rig.windows.refuse_activation = true;
       },
       nullptr, 20000, kExitAltF4NotSent, "backup-job: Alt+F4 was not sent: no window is in front"},
      {"termination refused",
       [](Rig& rig) {
         rig.store("AUTO_TERMINATE_TICKBOX", "1");
         rig.store("WAIT_FOR_PROCESS_TICKBOX", "1");
         rig.windows.open("Editor", /*ignores_close=*/true);
         rig.processes.start("editor", /*refuses_termination=*/true);
       },
       [](Rig& rig) {
         // It ends by itself a minute after the refusal; the exit countdown then ends the run.
         rig.advance_to(360000);
         rig.processes.stop_all("editor");
       },
       380000, kExitTerminationRefused,
       "backup-job: the termination at the end of the five-minute chain was refused: 0 ended; "
       "1 refused"},
      {"close box", running_window, [](Rig& rig) { rig.main().user_close(); }, 3000,
       kExitEndedEarly,
       "backup-job: ended by close box before its exit countdown ran out; \"editor\" still runs"},
      {"error box",
       [](Rig& rig) {
         rig.store("SENDKEYS_TICKBOX", "1");
         rig.processes.start("editor");
       },
       nullptr, 16000, kExitError,
       "backup-job: stopped on an error: No window has the title \"Editor\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    std::string told;
    rig.program->tell_starter_with([&](const std::string& line) { told += line + "\n"; });
    rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
    rig.store("WAIT_FOR_PROCESS_TICKBOX", "0");
    rig.store("WINDOW_NAME_TEXTBOX", "Editor");
    rig.store("PROCESS_NAME_TEXTBOX", "editor");
    if (c.set_up)
      c.set_up(rig);
    rig.start();
    rig.advance_to(3000);
    if (c.act)
      c.act(rig);
    rig.advance_to(c.until);
    ASSERT_TRUE(rig.ended());
    EXPECT_EQ(rig.program->finish(), c.status);
    if (*c.told == '\0') {
      EXPECT_EQ(told, "");
    } else {
      EXPECT_NE(told.find(c.told), std::string::npos) << told;
      EXPECT_EQ(told.find('\n'), told.size() - 1) << "one line: " << told;
    }
  }
}

}  // namespace
}  // namespace tambrel
