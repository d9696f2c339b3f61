// The wake-up timer, the modal About window, painting before a blocking step, window moves,
// and the end of the program.
#include <gtest/gtest.h>

#include <chrono>

#include "view_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

constexpr std::string_view kTestTimer = "TEST_TIMER";

forms::FormDesign main_with_test_timer() {
  forms::FormDesign design = tambrel_main_design();
  design.timers.push_back({std::string(kTestTimer), true, 0});
  return design;
}

/// Closes a modal window that a failing test left open, so the run cannot hang.
HWND g_stuck_window = nullptr;
void CALLBACK close_stuck_window(HWND, UINT, UINT_PTR, DWORD) {
  if (g_stuck_window)
    PostMessageW(g_stuck_window, WM_CLOSE, 0, 0);
}

class Modal : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.show_at(main_, 1000, 1000, 5865, 7695);
    about_.on_load([this] {
      about_.set_left(6500);
      about_.set_top(1500);
      about_.set_width(5610);
      about_.set_height(5325);
    });
    guard_ = SetTimer(nullptr, 0, 15000, close_stuck_window);
  }
  void TearDown() override {
    KillTimer(nullptr, guard_);
    g_stuck_window = nullptr;
  }

  /// Shows About modally over the main window from inside a handler, as ABOUT's Click does.
  void open_about() {
    rig_.app.dispatch([this] { about_.show_modal(main_); });
  }

  /// Runs the test timer every `ms` from now.
  void tick_every(int ms, std::function<void()> handler) {
    main_.on_timer(kTestTimer, std::move(handler));
    rig_.app.dispatch([&] { main_.timer(kTestTimer).set_interval(ms); });
  }

  ViewRig rig_;
  forms::Form& main_ = rig_.form(main_with_test_timer());
  forms::Form& about_ = rig_.form(tambrel_about_design());
  UINT_PTR guard_ = 0;
};

TEST_F(Modal, TimersTickAtTheirIntervalThroughTheOneWakeUp) {
  int ticks = 0;
  const auto start = std::chrono::steady_clock::now();
  tick_every(100, [&] { ++ticks; });
  ASSERT_TRUE(rig_.pump_until([&] { return ticks >= 10; }, 5s));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 950ms);
  EXPECT_LE(elapsed, 1600ms);
}

TEST_F(Modal, AboutIsModalOverTheMainWindowWhileTimersTick) {
  const HWND main_window = rig_.window(main_);
  int ticks = 0;
  bool owner_enabled_while_open = false;
  bool ok_had_focus = false;
  bool screenshot_saved = false;
  COLORREF help_pixel = 0, title_pixel = 0;
  tick_every(150, [&] {
    ++ticks;
    const HWND about = rig_.window(about_);
    g_stuck_window = about;
    if (!about)
      return;
    owner_enabled_while_open |= IsWindowEnabled(main_window) != FALSE;
    if (ticks == 3) {
      ok_had_focus = GetFocus() == rig_.control(about_, OK_BUTTON);
      help_pixel = pixel_of(rig_.control(about_, EXE_FILENAME_HELP_LABEL), 4, 4);
      title_pixel = pixel_of(rig_.control(main_, TAMBREL_TITLE), 4, 4);
      screenshot_saved = save_screen_bmp(artifact_dir() + L"\\win32-view-windows.bmp");
    }
    if (ticks == 5)
      PostMessageW(about, WM_CLOSE, 0, 0);
  });
  open_about();

  EXPECT_EQ(ticks, 5);
  EXPECT_FALSE(about_.loaded());
  EXPECT_FALSE(owner_enabled_while_open);
  EXPECT_TRUE(ok_had_focus);
  EXPECT_EQ(help_pixel, RGB(0, 255, 0));
  EXPECT_EQ(title_pixel, RGB(0, 0, 0));
  EXPECT_TRUE(screenshot_saved);
  EXPECT_TRUE(IsWindowEnabled(main_window));
  EXPECT_TRUE(rig_.pump_until([&] { return GetActiveWindow() == main_window; }, 2s));
  // Opened again, it is loaded afresh.
  tick_every(100, [&] {
    if (const HWND about = rig_.window(about_))
      PostMessageW(about, WM_CLOSE, 0, 0);
  });
  open_about();
  EXPECT_FALSE(about_.loaded());
}

TEST_F(Modal, EscapeDoesNotCloseAbout) {
  int ticks = 0;
  bool open_after_escape = false;
  tick_every(150, [&] {
    const HWND about = rig_.window(about_);
    g_stuck_window = about;
    if (!about)
      return;
    if (++ticks == 1) {
      PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0xC0000001);
    } else {
      open_after_escape = about_.loaded() && IsWindowVisible(about);
      PostMessageW(about, WM_CLOSE, 0, 0);
    }
  });
  open_about();
  EXPECT_TRUE(open_after_escape);
}

TEST_F(Modal, EndingTheProgramEndsTheModalLoop) {
  int ticks = 0;
  tick_every(100, [&] {
    g_stuck_window = rig_.window(about_);
    if (++ticks == 2)
      rig_.app.end_program();
  });
  open_about();
  EXPECT_EQ(ticks, 2);
  EXPECT_TRUE(rig_.app.ended());
  EXPECT_TRUE(rig_.view.quitting());
  EXPECT_TRUE(IsWindowEnabled(rig_.window(main_)));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(Modal, AColourChangeIsPaintedBeforeTheHandlerGoesOn) {
  const HWND box = rig_.control(main_, TERMINATE_COUNTDOWN_TEXTBOX[1]);
  const HWND status = rig_.control(main_, PROCESS_TERMINATED_COUNTDOWN_TEXTBOX);
  COLORREF box_seen = 0, status_seen = 0;
  rig_.app.dispatch([&] {
    forms::Control& first = main_.control(TERMINATE_COUNTDOWN_TEXTBOX[1]);
    first.set_enabled(true);
    first.set_back_color(forms::colors::kGreen);
    forms::Control& result = main_.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX);
    result.set_enabled(true);
    result.set_back_color(forms::colors::kRed);
    // No message is handled between the change and here, as in a handler that blocks next.
    box_seen = pixel_of(box, 2, 2);
    status_seen = pixel_of(status, 2, 2);
  });
  EXPECT_EQ(box_seen, RGB(0, 255, 0));
  EXPECT_EQ(status_seen, RGB(255, 0, 0));
}

TEST_F(Modal, AUserMoveIsReportedInTwipsAndTheViewsOwnPlacementIsNot) {
  const HWND window = rig_.window(main_);
  rig_.pump_for(300ms);
  // Placed at 1000 twips, which is 66.7 pixels: the runtime keeps its exact number.
  EXPECT_EQ(main_.left(), 1000);
  EXPECT_EQ(main_.top(), 1000);
  // Moved by someone else (the user dragging the title bar does the same).
  SetWindowPos(window, nullptr, 200, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(rig_.pump_until([&] { return main_.left() == 3000; }));
  EXPECT_EQ(main_.top(), 4500);
  EXPECT_EQ(main_.width(), 5865);
}

}  // namespace
}  // namespace tambrel::win32::test
