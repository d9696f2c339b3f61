// The X11 window manager and key sender under a real EWMH window manager (openbox), with real
// client windows. Run through tests/harness.py.
// GoogleTest first: Xlib defines None, which GoogleTest uses as a name.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <string>

#include "platform/error.h"
#include "platform/x11/x11_window_manager.h"
#include "platform/x11/xtest_key_sender.h"
#include "support.h"
#include "x_support.h"

namespace tambrel::x11 {
namespace {

using std::chrono::milliseconds;
using testing::poll_until;
using testing::TkWindow;

constexpr milliseconds kDeadline{5000};
// A program starting and being managed, on a busy machine: as long as TkWindow waits for one.
constexpr milliseconds kStartDeadline{15000};

class X11WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(display_.items32(display_.root(), "_NET_SUPPORTING_WM_CHECK").empty())
        << "run through tests/harness.py: these tests need a window manager";
  }

  bool is_foreground(WindowId window) {
    return poll_until([&] { return wm_.foreground_window() == window; }, kDeadline);
  }

  bool has_state_above(Window window) {
    const auto states = display_.items32(window, "_NET_WM_STATE");
    return std::find(states.begin(), states.end(), display_.atom("_NET_WM_STATE_ABOVE")) !=
           states.end();
  }

  /// Asks the window manager, on the test's own connection, to raise and focus `window`.
  void raise(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = display_.atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager: no focus-stealing prevention
    XSendEvent(display_, display_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(display_);
  }

  testing::TestDisplay display_;
  X11WindowManager wm_;
};

TEST_F(X11WindowManagerTest, FindsAWindowByItsExactTitleOnly) {
  // Tk puts the UTF-8 title in _NET_WM_NAME and mangled bytes in WM_NAME.
  const std::string title =
      "Quarterly report \xE2\x80\x93 \xC3\x9C"
      "bersicht \xE2\x9C\x93";
  TkWindow target(display_, title);
  EXPECT_EQ(wm_.find_window(title), target.client());
  EXPECT_EQ(wm_.find_window("Quarterly report"), 0u);
  EXPECT_EQ(wm_.find_window(title + " "), 0u);
  EXPECT_EQ(wm_.find_window("quarterly report \xE2\x80\x93 \xC3\x9C"
                            "bersicht \xE2\x9C\x93"),
            0u);
  EXPECT_EQ(wm_.find_window(""), 0u);
}

TEST_F(X11WindowManagerTest, FindsAWindowTitledOnlyByWmName) {
  testing::Child xmessage("/usr/bin/xmessage", {"xmessage", "-title", "Plain WM_NAME", "hello"},
                          false);
  WindowId found = 0;
  ASSERT_TRUE(
      poll_until([&] { return (found = wm_.find_window("Plain WM_NAME")) != 0; }, kStartDeadline));
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(display_, found, &name));
  EXPECT_STREQ(name, "Plain WM_NAME");
  XFree(name);
  // Closing it politely ends xmessage.
  wm_.post_close(found);
  EXPECT_TRUE(xmessage.wait(kDeadline));
}

TEST_F(X11WindowManagerTest, PostCloseAsksTheWindowToClose) {
  const std::string title =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x80\x94 close me";
  TkWindow target(display_, title);
  TkWindow bystander(display_, "Bystander");
  wm_.post_close(wm_.find_window(title));
  EXPECT_TRUE(target.closed_within(kDeadline));
  EXPECT_TRUE(bystander.process().running());
  EXPECT_EQ(wm_.find_window("Bystander"), bystander.client());
}

TEST_F(X11WindowManagerTest, AWindowThatTakesNoCloseRequestsIsNotAskedSoItsProgramLives) {
  // Asked to close a window without WM_DELETE_WINDOW, openbox disconnects its program.
  TkWindow target(display_, "Takes no close requests");
  ASSERT_TRUE(wm_.takes_close_requests(target.client()));
  XDeleteProperty(display_, target.client(), display_.atom("WM_PROTOCOLS"));
  XSync(display_, False);
  EXPECT_FALSE(wm_.takes_close_requests(target.client()));
  wm_.post_close(target.client());
  // openbox handles requests in order: once it has kept the window above, it has seen any close
  // request sent before.
  wm_.set_topmost(target.client(), true);
  EXPECT_TRUE(poll_until(
      [&] { return display_.exists(target.client()) && has_state_above(target.client()); },
      kDeadline));
  EXPECT_EQ(target.process().wait(milliseconds(0)), std::nullopt);
}

TEST_F(X11WindowManagerTest, ActivatesTheExactTitleBeforeAnyPrefixMatch) {
  // The longer title is on top, so only an exact-first rule picks "Editor".
  TkWindow exact(display_, "Editor");
  TkWindow longer(display_, "Editor - notes.txt");
  ASSERT_TRUE(is_foreground(longer.client()));
  EXPECT_EQ(wm_.activate("Editor"), exact.client());
  EXPECT_TRUE(is_foreground(exact.client()));

  EXPECT_EQ(wm_.activate("Editor - no"), longer.client());
  EXPECT_TRUE(is_foreground(longer.client()));

  EXPECT_EQ(wm_.activate("Editor"), exact.client());
  EXPECT_TRUE(is_foreground(exact.client()));
}

// Two windows of one title: the one on top is meant, whichever is older.
TEST_F(X11WindowManagerTest, OfTwoWindowsWithOneTitleTheTopmostIsFoundAndActivated) {
  TkWindow older(display_, "Twin");
  TkWindow newer(display_, "Twin");
  TkWindow other(display_, "Other");
  for (TkWindow* top : {&newer, &older, &newer}) {
    // Raised by the window manager as a click would, then covered by another window.
    raise(top->client());
    ASSERT_TRUE(is_foreground(top->client()));
    raise(other.client());
    ASSERT_TRUE(is_foreground(other.client()));
    EXPECT_EQ(wm_.find_window("Twin"), top->client());
    EXPECT_EQ(wm_.activate("Twin"), top->client());
    EXPECT_TRUE(is_foreground(top->client()));
  }
  wm_.post_close(wm_.find_window("Twin"));
  EXPECT_TRUE(newer.closed_within(kDeadline));
  EXPECT_TRUE(older.process().running());
}

TEST_F(X11WindowManagerTest, ActivatingAnUnknownTitleIsAnErrorNamingIt) {
  TkWindow other(display_, "Something else");
  const std::string title = "No such window \xE2\x9C\x97";
  try {
    wm_.activate(title);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + title + "\""), std::string::npos) << e.what();
  }
  EXPECT_THROW(wm_.activate(""), Error);
  // Case matters: "something" is no prefix of "Something else".
  EXPECT_THROW(wm_.activate("something"), Error);
}

TEST_F(X11WindowManagerTest, KeepAboveIsSetAndTakenAway) {
  TkWindow target(display_, "Keep me above");
  ASSERT_FALSE(has_state_above(target.client()));
  wm_.set_topmost(target.client(), true);
  EXPECT_TRUE(poll_until([&] { return has_state_above(target.client()); }, kDeadline));
  wm_.set_topmost(target.client(), false);
  EXPECT_TRUE(poll_until([&] { return !has_state_above(target.client()); }, kDeadline));
  wm_.set_topmost(0, true);  // ignored
}

TEST_F(X11WindowManagerTest, AltF4AfterActivationClosesOnlyTheTarget) {
  TkWindow target(display_, "Alt-F4 target");
  TkWindow other(display_, "Other window");
  // The other window came last and has the focus; activation must move it.
  ASSERT_TRUE(is_foreground(other.client()));
  ASSERT_EQ(wm_.activate("Alt-F4"), target.client());
  ASSERT_TRUE(is_foreground(target.client()));

  XTestKeySender keys;
  keys.send_alt_f4();
  EXPECT_TRUE(target.closed_within(kDeadline));
  EXPECT_TRUE(other.process().running());
  EXPECT_EQ(wm_.find_window("Other window"), other.client());
  EXPECT_EQ(wm_.find_window("Alt-F4 target"), 0u);
}

TEST_F(X11WindowManagerTest, AWindowThatVanishedIsHarmless) {
  TkWindow doomed(display_, "Doomed window");
  TkWindow survivor(display_, "Survivor");
  const WindowId id = wm_.find_window("Doomed window");
  ASSERT_EQ(id, doomed.client());
  kill(doomed.process().pid(), SIGKILL);
  ASSERT_TRUE(poll_until([&] { return !display_.exists(id); }, kDeadline));

  wm_.post_close(id);
  wm_.set_topmost(id, true);
  wm_.set_topmost(id, false);
  EXPECT_EQ(wm_.find_window("Doomed window"), 0u);
  // Still fully working afterwards.
  EXPECT_EQ(wm_.activate("Survivor"), survivor.client());
  EXPECT_TRUE(is_foreground(survivor.client()));
}

}  // namespace
}  // namespace tambrel::x11
