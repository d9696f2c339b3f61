// Always On Top on the real main window, with its tool tip window: topmost at once, and above a
// window the user activates afterwards, before the keeper's next step.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/win32/win32_window_manager.h"
#include "view_rig.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

TEST(AlwaysOnTop, TheMainWindowWithATipIsTopmostAndStaysAboveAWindowActivatedAfterIt) {
  ViewRig rig;
  forms::Form& main = rig.show_main();
  rig.app.dispatch([&] { main.control(WINDOW_NAME_TEXTBOX).set_tool_tip_text("Last lookup"); });
  const HWND window = rig.window(main);
  Win32WindowManager().set_topmost(reinterpret_cast<std::uintptr_t>(window), true);
  EXPECT_TRUE(ex_style_of(window) & WS_EX_TOPMOST);

  const HWND other = CreateWindowExW(0, L"STATIC", L"activated", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     50, 50, 400, 300, nullptr, nullptr, nullptr, nullptr);
  int polls = 0;  // asks again now and then: a late focus event may take the front away
  ASSERT_TRUE(rig.pump_until(
      [&] {
        if (polls++ % 25 == 0)
          SetForegroundWindow(other);
        return GetForegroundWindow() == other;
      },
      15s))
      << "not reached: the other window did not come to the front";
  HWND first = GetTopWindow(nullptr);  // the z-order, from the top
  while (first && first != window && first != other)
    first = GetWindow(first, GW_HWNDNEXT);
  EXPECT_EQ(first, window) << "the activated window covers the main window";
  DestroyWindow(other);
}

}  // namespace
}  // namespace tambrel::win32::test
