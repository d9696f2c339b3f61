// The X11 backends when the display is missing, goes away, or lacks XTEST. These tests start
// their own servers and need no $DISPLAY.
#include <gtest/gtest.h>  // before Xlib, which defines None

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/x11/x11_window_manager.h"
#include "platform/x11/xtest_key_sender.h"
#include "support.h"
#include "x_support.h"

namespace tambrel::x11 {
namespace {

using std::chrono::milliseconds;
using testing::ScopedEnv;

std::string error_of(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(X11Display, NoDisplayIsAnErrorNotACrash) {
  ScopedEnv no_display("DISPLAY", std::nullopt);
  EXPECT_EQ(error_of([] { X11WindowManager wm; }),
            "XOpenDisplay failed: no display (DISPLAY is not set)");
  EXPECT_EQ(error_of([] { XTestKeySender keys; }),
            "XOpenDisplay failed: no display (DISPLAY is not set)");
}

TEST(X11Display, AnUnreachableDisplayIsAnErrorNamingIt) {
  ScopedEnv bad_display("DISPLAY", "/nonexistent/socket:0");
  EXPECT_EQ(error_of([] { X11WindowManager wm; }),
            "XOpenDisplay failed: no display \"/nonexistent/socket:0\"");
}

TEST(X11Display, LosingTheDisplayEndsTheProgramWithAMessage) {
  testing::PrivateXServer server;
  ScopedEnv display("DISPLAY", server.name());
  const pid_t server_pid = server.process().pid();
  const auto result = testing::run_forked(
      [&] {
        X11WindowManager wm;
        wm.foreground_window();
        kill(server_pid, SIGKILL);
        // Keep using the display until Xlib notices it has gone; it must not come back.
        for (int i = 0; i < 1000; ++i) {
          wm.find_window("anything");
          usleep(10000);
        }
        return 0;
      },
      milliseconds(15000));
  ASSERT_TRUE(result) << "the program hung after losing the display";
  EXPECT_TRUE(WIFEXITED(result->status) && WEXITSTATUS(result->status) == 1)
      << "wait status " << result->status << ", output: " << result->output;
  EXPECT_TRUE(std::regex_search(result->output, std::regex(": lost the connection to X display " +
                                                           server.name() + "; ending\\.\n")))
      << result->output;
}

TEST(X11Display, AServerWithoutXTestRefusesTheKeystroke) {
  testing::PrivateXServer server({"-extension", "XTEST"});
  ScopedEnv display("DISPLAY", server.name());
  XTestKeySender keys;
  EXPECT_EQ(error_of([&] { keys.send_alt_f4(); }),
            "XTestQueryExtension failed: the X server offers no XTEST extension");
}

TEST(X11Display, TheKeystrokeReachesTheServer) {
  // A bare server: no window manager to consume Alt+F4, so the keys can be watched arriving.
  testing::PrivateXServer server;
  ScopedEnv display("DISPLAY", server.name());
  testing::TestDisplay watcher;
  testing::RawWindow window(watcher, 0, 0);
  XSelectInput(watcher, window.window, KeyPressMask | KeyReleaseMask);
  window.map();
  XSetInputFocus(watcher, window.window, RevertToParent, CurrentTime);
  XSync(watcher, False);

  XTestKeySender().send_alt_f4();

  std::vector<std::pair<int, KeySym>> keys;
  testing::poll_until(
      [&] {
        while (XPending(watcher) > 0) {
          XEvent event;
          XNextEvent(watcher, &event);
          if (event.type == KeyPress || event.type == KeyRelease) {
            keys.emplace_back(event.type, XLookupKeysym(&event.xkey, 0));
          }
        }
        return keys.size() >= 4;
      },
      milliseconds(5000));
  const std::vector<std::pair<int, KeySym>> expected = {
      {KeyPress, XK_Alt_L}, {KeyPress, XK_F4}, {KeyRelease, XK_F4}, {KeyRelease, XK_Alt_L}};
  EXPECT_EQ(keys, expected);
}

}  // namespace
}  // namespace tambrel::x11
