// A Wayland desktop TAMBREL has no way into: the user is told once, at the first request for a
// window, and the X11 window manager does the rest.
#include "platform/wayland/xwayland_only.h"

#include <gtest/gtest.h>

#include "fakes/fake_window_manager.h"
#include "platform/error.h"

namespace tambrel::wayland {
namespace {

TEST(XWaylandOnly, TheFirstRequestForAWindowTellsOnceAndNothingIsClaimed) {
  testing::FakeWindowManager x11;
  const WindowId xterm = x11.open("XWayland terminal");
  int told = 0;
  XWaylandOnlyWindowManager wm(x11, [&] { ++told; });

  wm.set_topmost(5, true);
  wm.foreground_window();
  EXPECT_EQ(told, 0) << "the keeper alone is no request for a window";

  EXPECT_EQ(wm.find_window("A native Wayland window"), 0u);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(wm.find_window("XWayland terminal"), xterm) << "X11 windows are still reached";
  EXPECT_THROW(wm.activate("A native Wayland window"), Error);
  EXPECT_EQ(told, 1) << "told once only";
}

}  // namespace
}  // namespace tambrel::wayland
