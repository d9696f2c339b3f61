// Without a display the program still starts; only a use of the X11 services fails, through the
// dispatch point.
#include "platform/qt/lazy_x11.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/fake_process_table.h"
#include "fakes/memory_store.h"
#include "platform/error.h"
#include "qt_rig.h"

namespace tambrel::testing {
namespace {

class NoDisplay : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("DISPLAY"); }
};

TEST_F(NoDisplay, ConnectingWaitsForTheFirstUseAndEachUseFails) {
  qt::LazyX11 x11;  // constructing opens nothing
  try {
    x11.windows().foreground_window();
    FAIL() << "no display, yet the window manager answered";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("XOpenDisplay failed"), std::string::npos) << e.what();
  }
  EXPECT_THROW(x11.windows().find_window("Notes"), Error);
  EXPECT_THROW(x11.keys().send_alt_f4(), Error);
}

TEST_F(NoDisplay, TheProgramStartsAndTheKeeperReportsTheMissingDisplay) {
  qt::LazyX11 x11;
  SteadyClock clock;
  FakeProcessTable processes;
  MemoryStore settings;
  settings.put("tambrel", "ALWAYS_ON_TOP_TICKBOX", "1");
  MessageBoxCloser boxes;
  qt::QtFormView view;
  Program program(view, {clock, x11.windows(), x11.keys(), processes, settings, "tambrel"});
  program.start();
  ASSERT_FALSE(program.app().ended()) << "loading needs no display";
  ASSERT_TRUE(view.window(*program.main())->isVisible());
  // The always-on-top keeper's first tick asks for the foreground window.
  EXPECT_TRUE(run_loop(view, 8000)) << "the event loop did not end";
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains("XOpenDisplay failed")) << boxes.texts[0].toStdString();
  EXPECT_EQ(program.exit_status(), 1);
}

}  // namespace
}  // namespace tambrel::testing
