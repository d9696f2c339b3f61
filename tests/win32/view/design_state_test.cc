// The native windows show each form's design state at 96 DPI, read back through the Win32 API.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/win32/utf.h"
#include "view_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

using forms::ControlKind;

int px(double twips) {
  return static_cast<int>(std::lround(twips * 96 / 1440));
}

COLORREF expected_color(forms::Color c) {
  return forms::colors::is_system(c) ? GetSysColor(static_cast<int>(c & 0xFF)) : c;
}

/// Every control of `form` against its design: class, text, geometry, state, styles, font and
/// colours.
void expect_design_state(ViewRig& rig, forms::Form& form) {
  const HWND window = rig.window(form);
  ASSERT_TRUE(window);
  EXPECT_EQ(text_of(window), to_wide(form.design().caption));
  for (const auto& control : form.controls()) {
    const forms::ControlDesign& d = control->props();
    SCOPED_TRACE(d.name);
    const HWND hwnd = rig.control(form, d.name);
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(GetParent(hwnd), window);
    const std::wstring kind = class_of(hwnd);
    const LONG_PTR style = style_of(hwnd);
    EXPECT_EQ(text_of(hwnd), to_wide(d.text));

    const RECT r = client_rect_of(hwnd);
    EXPECT_EQ(r.left, px(d.left));
    EXPECT_EQ(r.top, px(d.top));
    EXPECT_EQ(r.right - r.left, px(d.width));
    EXPECT_EQ(r.bottom - r.top, px(d.height));

    EXPECT_EQ(IsWindowEnabled(hwnd) != FALSE, d.enabled);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ((style & WS_TABSTOP) != 0, d.tab_stop);

    const LOGFONTW font = font_of(hwnd);
    EXPECT_EQ(font.lfHeight, -std::lround(d.font.size_pt * 96 / 72));
    EXPECT_EQ(font.lfWeight, d.font.weight);
    // The bitmap face of the design is drawn with its scalable namesake.
    EXPECT_EQ(std::wstring(font.lfFaceName),
              d.font.face == "MS Sans Serif" ? L"Microsoft Sans Serif" : to_wide(d.font.face));

    const Paint paint = paint_of(window, hwnd);
    EXPECT_EQ(paint.brush, expected_color(d.back_color));
    EXPECT_EQ(paint.background, expected_color(d.back_color));
    if (d.enabled || d.kind != ControlKind::kTextBox)
      EXPECT_EQ(paint.text, expected_color(d.fore_color));
    else
      EXPECT_EQ(paint.text, GetSysColor(COLOR_GRAYTEXT));

    switch (d.kind) {
      case ControlKind::kLabel: {
        EXPECT_EQ(kind, L"STATIC");
        const LONG_PTR align = style & SS_TYPEMASK;
        EXPECT_EQ(align, d.align == forms::Align::kCenter  ? SS_CENTER
                         : d.align == forms::Align::kRight ? SS_RIGHT
                                                           : SS_LEFT);
        EXPECT_EQ((style & SS_SUNKEN) != 0, d.border == forms::Border::kSingle);
        EXPECT_TRUE(style & SS_NOPREFIX);
        break;
      }
      case ControlKind::kTextBox:
        EXPECT_EQ(kind, L"EDIT");
        EXPECT_EQ((style & ES_READONLY) != 0, d.read_only);
        EXPECT_FALSE(style & ES_MULTILINE);
        EXPECT_EQ((style & ES_CENTER) != 0, d.align == forms::Align::kCenter);
        EXPECT_EQ((ex_style_of(hwnd) & WS_EX_CLIENTEDGE) != 0, d.border == forms::Border::kSingle);
        EXPECT_GT(SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0), 1 << 20);
        break;
      case ControlKind::kCheckBox:
        EXPECT_EQ(kind, L"BUTTON");
        EXPECT_EQ(style & BS_TYPEMASK, BS_3STATE);
        EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0), d.value);
        break;
      case ControlKind::kButton:
        EXPECT_EQ(kind, L"BUTTON");
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
        break;
    }
  }
}

TEST(DesignState, MainWindowShowsEveryControlAsDesigned) {
  ViewRig rig;
  forms::Form& main = rig.show_main();
  expect_design_state(rig, main);

  // A fixed tool window with a close box only, at Left/Top, sized to Width/Height (outer).
  const HWND window = rig.window(main);
  EXPECT_EQ(reinterpret_cast<HWND>(rig.view.native_window(main)), window);
  const LONG_PTR style = style_of(window);
  EXPECT_TRUE(ex_style_of(window) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(IsWindowVisible(window));
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, px(1000));
  EXPECT_EQ(outer.top, px(1000));
  EXPECT_EQ(outer.right - outer.left, px(5865));
  EXPECT_EQ(outer.bottom - outer.top, px(7695));
  EXPECT_TRUE(GetClassLongPtrW(window, GCLP_HICON));

  // Colours the handlers rely on, spelled out: green text on black for the banners.
  const Paint banner = paint_of(window, rig.control(main, TAMBREL_TITLE));
  EXPECT_EQ(banner.background, RGB(0, 0, 0));
  EXPECT_EQ(banner.text, RGB(0, 255, 0));
  const Paint entry = paint_of(window, rig.control(main, WINDOW_NAME_TEXTBOX));
  EXPECT_EQ(entry.background, GetSysColor(COLOR_WINDOW));
}

TEST(DesignState, AboutWindowShowsEveryControlAsDesigned) {
  ViewRig rig;
  forms::Form& about = rig.show_about();
  expect_design_state(rig, about);
  const HWND window = rig.window(about);
  EXPECT_TRUE(ex_style_of(window) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(style_of(window) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  // The default outer size is the design client area plus the frame.
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_NEAR(client.right, px(5520), 2);
  EXPECT_NEAR(client.bottom, px(4995), 2);
  // The help text is too long for one line: it wraps inside its box.
  const HWND help = rig.control(about, EXE_FILENAME_HELP_LABEL);
  EXPECT_FALSE(style_of(help) & SS_LEFTNOWORDWRAP);
  EXPECT_EQ(paint_of(window, help).background, RGB(0, 255, 0));
}

TEST(DesignState, BeforeLoadThePlacementIsTheDesignClientAreaCentred) {
  ViewRig rig;
  forms::Form& main = rig.form(tambrel_main_design());
  main.show();
  const HWND window = rig.window(main);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, px(5775));
  EXPECT_EQ(client.bottom, px(8835));
}

TEST(DesignState, PlacementTakesEachValueAsItIsAssignedAndClampsAbsurdOnes) {
  ViewRig rig;
  forms::Form& main = rig.form(tambrel_main_design());
  rig.show_at(main, 1500, 1500, 5865, 7695);
  const HWND window = rig.window(main);
  RECT r{};
  main.set_top(3000);  // only the top moves
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 200);
  EXPECT_EQ(r.right - r.left, px(5865));

  main.set_left(3.0e38f);
  main.set_width(-5000);
  main.set_top(std::nanf(""));
  GetWindowRect(window, &r);
  EXPECT_LE(r.left, 30000);
  EXPECT_GT(r.left, 20000);
  EXPECT_EQ(r.top, 0);
  EXPECT_GE(r.right - r.left, 0);
  // The runtime keeps what it was told; the view only clamps what it shows.
  EXPECT_EQ(main.left(), 3.0e38f);
}

TEST(DesignState, ADpiChangeScalesControlsAndFonts) {
  ViewRig rig;
  forms::Form& main = rig.show_main();
  const HWND window = rig.window(main);
  RECT suggested{150, 150, 150 + 587, 150 + 770};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  const HWND button = rig.control(main, STOP_START_COUNTDOWN_BUTTON);
  const RECT r = client_rect_of(button);
  EXPECT_EQ(r.left, 240 * 144 / 1440);
  EXPECT_EQ(r.top, 6600 * 144 / 1440);
  EXPECT_EQ(r.right - r.left, 5295 * 144 / 1440 + 1);  // 529.5 rounds up
  EXPECT_EQ(font_of(button).lfHeight, -24);            // 12 pt at 144 DPI
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 150);
  EXPECT_EQ(outer.right - outer.left, 587);
  // The window now stands at 150 pixels of 144 DPI: 1500 twips.
  EXPECT_FLOAT_EQ(main.left(), 1500);
}

}  // namespace
}  // namespace tambrel::win32::test
