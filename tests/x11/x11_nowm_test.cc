// The X11 window manager with no window manager running: top levels are the root's children,
// requests go to the windows themselves. Run through "tests/harness.py --no-wm".
#include <gtest/gtest.h>  // before Xlib, which defines None

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <string>

#include "platform/error.h"
#include "platform/x11/x11_window_manager.h"
#include "support.h"
#include "x_support.h"

namespace tambrel::x11 {
namespace {

using std::chrono::milliseconds;
using testing::poll_until;
using testing::RawWindow;
using testing::TkWindow;

constexpr milliseconds kDeadline{5000};

class X11WithoutWindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.items32(display_.root(), "_NET_SUPPORTING_WM_CHECK").empty())
        << "run through tests/harness.py --no-wm: these tests need no window manager";
  }

  /// Takes the next WM_DELETE_WINDOW request for `window` that reached the test's connection.
  bool received_delete_request(Window window) {
    XSync(display_, False);
    XEvent event;
    while (XCheckTypedWindowEvent(display_, window, ClientMessage, &event)) {
      if (event.xclient.message_type == display_.atom("WM_PROTOCOLS") &&
          static_cast<Atom>(event.xclient.data.l[0]) == display_.atom("WM_DELETE_WINDOW")) {
        return true;
      }
    }
    return false;
  }

  bool is_on_top(Window frame) { return display_.stacking().back() == frame; }

  testing::TestDisplay display_;
  X11WindowManager wm_;
};

TEST_F(X11WithoutWindowManagerTest, FindsTopLevelWindowsAmongTheRootsChildren) {
  const std::string title = "Unmanaged \xC3\xA9t\xC3\xA9";
  TkWindow target(display_, title);
  ASSERT_EQ(display_.parent_of(target.client()), display_.root());
  EXPECT_EQ(wm_.find_window(title), target.client());
  EXPECT_EQ(wm_.find_window("Unmanaged"), 0u);
  // Tk's window takes WM_DELETE_WINDOW, so the request goes straight to it.
  wm_.post_close(target.client());
  EXPECT_TRUE(target.closed_within(kDeadline));
  EXPECT_EQ(wm_.find_window(title), 0u);
}

TEST_F(X11WithoutWindowManagerTest, ReadsTitlesFromNetWmNameElseFromWmNameInItsEncoding) {
  RawWindow latin1(display_, 0, 0);
  latin1.set_text("WM_NAME", "STRING",
                  "Gr\xFC\xDF"
                  "e aus K\xF6ln");
  RawWindow both(display_, 0, 0);
  both.set_text("WM_NAME", "STRING", "old name");
  both.set_text("_NET_WM_NAME", "UTF8_STRING", "new name \xE2\x86\x92");
  RawWindow compound(display_, 0, 0);
  compound.set_text("WM_NAME", "COMPOUND_TEXT", "Caf\xE9 cr\xE8me");
  RawWindow untitled(display_, 0, 0);

  EXPECT_EQ(wm_.find_window("Gr\xC3\xBC\xC3\x9F"
                            "e aus K\xC3\xB6ln"),
            latin1.window);
  EXPECT_EQ(wm_.find_window("new name \xE2\x86\x92"), both.window);
  EXPECT_EQ(wm_.find_window("old name"), 0u);
  EXPECT_EQ(wm_.find_window("Caf\xC3\xA9 cr\xC3\xA8me"), compound.window);
  const auto all = wm_.top_levels();
  EXPECT_TRUE(std::none_of(all.begin(), all.end(),
                           [&](const auto& top) { return top.window == untitled.window; }));
}

TEST_F(X11WithoutWindowManagerTest, FindsTheClientInsideAFrameOfAReparentingManager) {
  // What a reparenting manager without EWMH leaves: an untitled frame holding the client,
  // which carries WM_STATE.
  RawWindow frame(display_, 10, 10);
  RawWindow client(display_, 0, 0);
  client.set_text("WM_NAME", "STRING", "Framed client");
  const long state[2] = {1 /* NormalState */, 0};
  XChangeProperty(display_, client.window, display_.atom("WM_STATE"), display_.atom("WM_STATE"), 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(state), 2);
  XReparentWindow(display_, client.window, frame.window, 0, 0);
  frame.map();
  client.map();
  RawWindow cover(display_, 10, 10);
  cover.set_text("WM_NAME", "STRING", "Cover");
  cover.map();

  EXPECT_EQ(wm_.find_window("Framed client"), client.window);
  EXPECT_EQ(wm_.activate("Framed"), client.window);
  // The frame is raised, the client gets the focus, and the foreground is the client again.
  EXPECT_TRUE(poll_until([&] { return is_on_top(frame.window); }, kDeadline));
  EXPECT_EQ(wm_.foreground_window(), client.window);
}

TEST_F(X11WithoutWindowManagerTest, PostCloseSendsWmDeleteWindowOnlyToClientsThatTakeIt) {
  RawWindow polite(display_, 0, 0);
  polite.take_delete_window();
  polite.map();
  RawWindow plain(display_, 0, 0);
  plain.map();

  wm_.post_close(polite.window);
  EXPECT_TRUE(received_delete_request(polite.window));

  // No WM_DELETE_WINDOW: nothing is sent, and the client is not killed (the test's own
  // connection, which owns the window, would be cut).
  wm_.post_close(plain.window);
  EXPECT_FALSE(received_delete_request(plain.window));
  EXPECT_TRUE(display_.exists(plain.window));
}

TEST_F(X11WithoutWindowManagerTest, ActivateRaisesAndFocusesAndSetTopmostRaises) {
  RawWindow first(display_, 0, 0);
  first.set_text("WM_NAME", "STRING", "First window");
  first.map();
  RawWindow second(display_, 0, 0);
  second.set_text("WM_NAME", "STRING", "Second window");
  second.map();
  ASSERT_TRUE(is_on_top(second.window));

  EXPECT_EQ(wm_.activate("First"), first.window);
  EXPECT_TRUE(is_on_top(first.window));
  EXPECT_EQ(wm_.foreground_window(), first.window);

  wm_.set_topmost(second.window, true);
  EXPECT_TRUE(is_on_top(second.window));
  wm_.set_topmost(first.window, false);  // nothing to take away without a window manager
  EXPECT_TRUE(is_on_top(second.window));
}

TEST_F(X11WithoutWindowManagerTest, HintsLeftBehindByAWindowManagerThatDiedAreIgnored) {
  // What a crashed EWMH manager leaves on the root: claims, an empty client list, and a check
  // window that no longer exists.
  RawWindow gone(display_, 0, 0);
  const Window gone_id = gone.window;
  gone.destroy();
  const Window root = display_.root();
  const Atom claimed[] = {display_.atom("_NET_CLIENT_LIST"), display_.atom("_NET_CLOSE_WINDOW"),
                          display_.atom("_NET_ACTIVE_WINDOW")};
  XChangeProperty(display_, root, display_.atom("_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(claimed), 3);
  XChangeProperty(display_, root, display_.atom("_NET_CLIENT_LIST"), XA_WINDOW, 32, PropModeReplace,
                  nullptr, 0);
  XChangeProperty(display_, root, display_.atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&gone_id), 1);
  XSync(display_, False);
  struct Cleanup {
    testing::TestDisplay& d;
    ~Cleanup() {
      for (const char* name : {"_NET_SUPPORTED", "_NET_CLIENT_LIST", "_NET_SUPPORTING_WM_CHECK"}) {
        XDeleteProperty(d, d.root(), d.atom(name));
      }
      XSync(d, False);
    }
  } cleanup{display_};

  RawWindow target(display_, 0, 0);
  target.set_text("WM_NAME", "STRING", "After the crash");
  target.take_delete_window();
  target.map();
  EXPECT_EQ(wm_.find_window("After the crash"), target.window);
  wm_.post_close(target.window);
  EXPECT_TRUE(received_delete_request(target.window));
  EXPECT_EQ(wm_.activate("After"), target.window);
  EXPECT_EQ(wm_.foreground_window(), target.window);
}

TEST_F(X11WithoutWindowManagerTest, RequestsOnAWindowThatVanishedAreHarmless) {
  RawWindow doomed(display_, 0, 0);
  doomed.set_text("WM_NAME", "STRING", "Doomed");
  doomed.take_delete_window();
  doomed.map();
  const WindowId id = wm_.find_window("Doomed");
  ASSERT_EQ(id, doomed.window);
  doomed.destroy();

  // Each of these makes a request on the dead window; Xlib's default would end the program.
  wm_.post_close(id);
  wm_.set_topmost(id, true);
  EXPECT_EQ(wm_.find_window("Doomed"), 0u);
  EXPECT_THROW(wm_.activate("Doomed"), Error);
  EXPECT_EQ(wm_.foreground_window() == id, false);
}

}  // namespace
}  // namespace tambrel::x11
