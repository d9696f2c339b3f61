// User input through the native controls reaches the forms runtime, and only as the runtime
// expects: tab order, focus, Enter and Escape, check boxes, typing, double clicks.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/win32/utf.h"
#include "view_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.show_at(main_, 1000, 1000, 5865, 7695);
    window_ = rig_.window(main_);
    for (const auto& control : main_.controls()) {
      const std::string name = control->name();
      main_.on_click(name, [this, name] { ++clicks_[name]; });
      main_.on_dbl_click(name, [this, name] { ++dbl_clicks_[name]; });
    }
    // Keyboard focus needs the window active.
    SetForegroundWindow(window_);
    ASSERT_TRUE(rig_.pump_until([&] { return GetActiveWindow() == window_; }));
  }

  /// A key as the keyboard delivers it to the focused control; the view's message handling
  /// makes the character, as the system's loop does.
  void press(UINT key) {
    const HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    rig_.pump();
  }

  /// Characters as an input method delivers them.
  void type(std::wstring_view text) {
    for (wchar_t c : text)
      PostMessageW(GetFocus(), WM_CHAR, c, 1);
    rig_.pump();
  }

  std::string focused() {
    const HWND focus = GetFocus();
    for (const auto& control : main_.controls()) {
      if (rig_.control(main_, control->name()) == focus)
        return control->name();
    }
    return "(not a control)";
  }

  int total_clicks() {
    int total = 0;
    for (auto& [name, n] : clicks_)
      total += n;
    return total;
  }

  ViewRig rig_;
  forms::Form& main_ = rig_.form(tambrel_main_design());
  HWND window_ = nullptr;
  std::map<std::string, int> clicks_, dbl_clicks_;
};

const std::vector<std::string_view> kTabOrder = {STOP_START_COUNTDOWN_BUTTON,
                                                 WINDOW_NAME_TEXTBOX,
                                                 PROCESS_NAME_TEXTBOX,
                                                 CLOSE_REQUEST_COUNTDOWN_TEXTBOX,
                                                 TAMBREL_UNLOAD_COUNDOWN_TEXTBOX,
                                                 WAIT_FOR_PROCESS_TICKBOX,
                                                 SENDKEYS_TICKBOX,
                                                 AUTOSTART_COUNTDOWN_TICKBOX,
                                                 ALWAYS_ON_TOP_TICKBOX,
                                                 AUTO_TERMINATE_TICKBOX,
                                                 TERMINATE_PROCESS_NOW_BUTTON,
                                                 ABOUT_BUTTON,
                                                 STOP_START_COUNTDOWN_BUTTON};

TEST_F(Input, FocusStartsOnTheLowestTabIndexAndTabWalksTheDesignOrder) {
  EXPECT_EQ(focused(), STOP_START_COUNTDOWN_BUTTON);
  // What the dialog manager will visit, labels and read-only boxes skipped; also once the
  // auto-terminate boxes are enabled.
  for (bool enabled : {false, true}) {
    SCOPED_TRACE(enabled ? "auto-terminate boxes enabled" : "design state");
    for (int n = 1; n <= 5; ++n)
      main_.control(TERMINATE_COUNTDOWN_TEXTBOX[n]).set_enabled(enabled);
    main_.control(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX).set_enabled(enabled);
    HWND at = rig_.control(main_, kTabOrder[0]);
    for (std::size_t i = 1; i < kTabOrder.size(); ++i) {
      at = GetNextDlgTabItem(window_, at, FALSE);
      EXPECT_EQ(at, rig_.control(main_, kTabOrder[i])) << "step " << i;
    }
  }
  // And the Tab key itself, through the view's message handling.
  for (std::size_t i = 1; i < kTabOrder.size(); ++i) {
    press(VK_TAB);
    EXPECT_EQ(focused(), kTabOrder[i]);
  }
  // Where the dialog manager treats the window as a dialog, it asks the window to move on.
  SendMessageW(window_, WM_NEXTDLGCTL, 0, 0);
  EXPECT_EQ(focused(), WINDOW_NAME_TEXTBOX);
  SendMessageW(window_, WM_NEXTDLGCTL, 1, 0);
  EXPECT_EQ(focused(), STOP_START_COUNTDOWN_BUTTON);
  EXPECT_EQ(total_clicks(), 0);
}

TEST_F(Input, EnterAndEscapeActivateNothing) {
  for (std::string_view name : {WINDOW_NAME_TEXTBOX, CLOSE_REQUEST_COUNTDOWN_TEXTBOX,
                                STOP_START_COUNTDOWN_BUTTON, SENDKEYS_TICKBOX}) {
    SCOPED_TRACE(name);
    SetFocus(rig_.control(main_, name));
    press(VK_RETURN);
    press(VK_ESCAPE);
    EXPECT_EQ(focused(), name);
  }
  EXPECT_EQ(total_clicks(), 0);
  EXPECT_TRUE(main_.loaded());
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_EQ(main_.control(SENDKEYS_TICKBOX).value(), 0);
}

TEST_F(Input, ACheckBoxClickSetsTheValueInTheRuntimeWhichRaisesClickOnce) {
  const HWND box = rig_.control(main_, WAIT_FOR_PROCESS_TICKBOX);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks_[std::string(WAIT_FOR_PROCESS_TICKBOX)], 1);
  EXPECT_EQ(main_.control(WAIT_FOR_PROCESS_TICKBOX).value(), 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks_[std::string(WAIT_FOR_PROCESS_TICKBOX)], 2);
  EXPECT_EQ(main_.control(WAIT_FOR_PROCESS_TICKBOX).value(), 1);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);

  // A greyed box, set by code, becomes ticked on the user's click.
  main_.control(SENDKEYS_TICKBOX).set_value(2);
  const HWND sendkeys = rig_.control(main_, SENDKEYS_TICKBOX);
  EXPECT_EQ(SendMessageW(sendkeys, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  const int before = clicks_[std::string(SENDKEYS_TICKBOX)];
  SendMessageW(sendkeys, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks_[std::string(SENDKEYS_TICKBOX)], before + 1);
  EXPECT_EQ(main_.control(SENDKEYS_TICKBOX).value(), 1);

  // The space bar on a focused box is a click too.
  SetFocus(sendkeys);
  press(VK_SPACE);
  EXPECT_EQ(main_.control(SENDKEYS_TICKBOX).value(), 0);
  EXPECT_EQ(clicks_[std::string(SENDKEYS_TICKBOX)], before + 2);
}

TEST_F(Input, AButtonClickRaisesClick) {
  SendMessageW(rig_.control(main_, ABOUT_BUTTON), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks_[std::string(ABOUT_BUTTON)], 1);
  EXPECT_EQ(total_clicks(), 1);
}

TEST_F(Input, TypingReachesTheRuntimeAndTheCaretStays) {
  const HWND edit = rig_.control(main_, WINDOW_NAME_TEXTBOX);
  SetFocus(edit);
  type(L"N\u00f6");  // a character beyond ASCII arrives as UTF-8
  EXPECT_EQ(main_.control(WINDOW_NAME_TEXTBOX).text(), "N\xc3\xb6");
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 2u);

  // Longer than the system's default limit of 32767 characters, as a paste.
  const std::wstring long_title(40000, L'x');
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(long_title.c_str()));
  EXPECT_EQ(main_.control(WINDOW_NAME_TEXTBOX).text().size(), 40000u);

  // Text set by the program shows at once and is not taken for typing.
  main_.control(PROCESS_NAME_TEXTBOX).set_text("notepad.exe");
  EXPECT_EQ(text_of(rig_.control(main_, PROCESS_NAME_TEXTBOX)), L"notepad.exe");
  EXPECT_EQ(main_.control(PROCESS_NAME_TEXTBOX).text(), "notepad.exe");
}

TEST_F(Input, DoubleClickOnACountdownRaisesDblClick) {
  const HWND count = rig_.control(main_, CLOSE_REQUEST_COUNTDOWN_TEXTBOX);
  PostMessageW(count, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(count, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  PostMessageW(count, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(count, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  rig_.pump();
  EXPECT_EQ(dbl_clicks_[std::string(CLOSE_REQUEST_COUNTDOWN_TEXTBOX)], 1);
  EXPECT_EQ(dbl_clicks_[std::string(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX)], 0);
  EXPECT_EQ(total_clicks(), 0);
}

TEST_F(Input, ALabelReportsItsDoubleClick) {
  forms::Form& about = rig_.form(tambrel_about_design());
  int credit = 0;
  about.on_dbl_click(TAMBREL_CREATOR, [&] { ++credit; });
  rig_.show_at(about, 1000, 1000, 5610, 5325);
  const HWND label = rig_.control(about, TAMBREL_CREATOR);
  SendMessageW(label, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(credit, 1);
  EXPECT_EQ(GetFocus(), rig_.control(about, OK_BUTTON));
}

TEST_F(Input, TheCloseBoxAndAltF4GoThroughTheRuntime) {
  bool unloaded = false;
  main_.on_unload([&] { unloaded = true; });
  SetFocus(rig_.control(main_, PROCESS_NAME_TEXTBOX));
  // Alt+F4 in a control reaches the window as SC_CLOSE, then WM_CLOSE.
  PostMessageW(GetFocus(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
  ASSERT_TRUE(rig_.pump_until([&] { return unloaded; }));
  EXPECT_FALSE(main_.loaded());
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(rig_.app.ended());  // the last form is gone
  EXPECT_TRUE(rig_.view.quitting());
}

}  // namespace
}  // namespace tambrel::win32::test
