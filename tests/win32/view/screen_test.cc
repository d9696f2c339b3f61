// What the windows show on screen: labels beneath the windowed controls they overlap, and at any
// DPI the design's twips and point sizes scaled and every caption within its control.
// Screenshots go to the artefact directory.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "forms/twips.h"
#include "platform/win32/dpi.h"
#include "platform/win32/utf.h"
#include "view_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::win32::test {
namespace {

using forms::ControlKind;

struct Window {
  const char* name;
  forms::FormDesign (*design)();
  float width, height;  // the default outer size in twips
};
const Window kWindows[] = {{"main", tambrel_main_design, 5865, 7695},
                           {"about", tambrel_about_design, 5610, 5325}};

RECT screen_rect_of(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

/// Shows the window of `w` at the screen's top left corner, in front.
forms::Form& show(ViewRig& rig, const Window& w) {
  forms::Form& form = rig.form(w.design());
  rig.show_at(form, 0, 0, w.width, w.height);
  SetForegroundWindow(rig.window(form));
  return form;
}

int em_pixels(double size_pt, int dpi) {
  return static_cast<int>(std::lround(size_pt * dpi / 72));
}

TEST(Layering, LabelsLieBeneathEveryWindowedControlTheyOverlap) {
  int overlaps = 0;
  for (const Window& w : kWindows) {
    ViewRig rig;
    forms::Form& form = show(rig, w);
    for (const auto& label : form.controls()) {
      if (label->kind() != ControlKind::kLabel)
        continue;
      for (const auto& control : form.controls()) {
        const HWND label_window = rig.control(form, label->name());
        const HWND control_window = rig.control(form, control->name());
        const RECT a = screen_rect_of(label_window), b = screen_rect_of(control_window);
        RECT overlap{};
        if (control->kind() == ControlKind::kLabel || !IntersectRect(&overlap, &a, &b))
          continue;
        SCOPED_TRACE(label->name() + " over " + control->name());
        ++overlaps;
        // The control drawn on its own, then the label shown again beside it: where they
        // overlap, the control's pixels must stay.
        ShowWindow(label_window, SW_HIDE);
        RedrawWindow(rig.window(form), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const Screen alone = settled_screen(rig);
        ShowWindow(label_window, SW_SHOW);
        UpdateWindow(label_window);
        const Screen both = settled_screen(rig);
        ASSERT_FALSE(alone.empty() || both.empty()) << "no screen capture";
        int covered = 0;
        for (int y = overlap.top; y < overlap.bottom; ++y) {
          for (int x = overlap.left; x < overlap.right; ++x)
            covered += alone.at(x, y) != both.at(x, y);
        }
        EXPECT_EQ(covered, 0) << "pixels of the control the label painted over";
      }
    }
  }
  EXPECT_GE(overlaps, 4) << "the main window's labels overlap at least its two name boxes, the "
                            "state box and the wait box";

  // Seen as the user sees it: the top border of each text box runs unbroken under its label.
  ViewRig rig;
  forms::Form& main = show(rig, kWindows[0]);
  const Screen shot = settled_screen(rig);
  shot.save_bmp(artifact_dir() + L"\\win32-main-layering.bmp", screen_rect_of(rig.window(main)));
  for (const std::string_view box : {WINDOW_NAME_TEXTBOX, PROCESS_NAME_TEXTBOX}) {
    SCOPED_TRACE(std::string(box));
    const RECT r = screen_rect_of(rig.control(main, box));
    const COLORREF border = shot.at(r.right - 3, r.top);
    EXPECT_NE(border, GetSysColor(COLOR_BTNFACE)) << "the border is drawn at all";
    int gaps = 0;
    for (int x = r.left + 2; x < r.right - 2; ++x)
      gaps += shot.at(x, r.top) != border;
    EXPECT_EQ(gaps, 0) << "pixels of the top border line that are not the border's colour";
  }
}

/// How many rows of `area` on `shot` hold green text on the banner's black.
int green_ink_rows(const Screen& shot, const RECT& area) {
  int first = -1, last = -1;
  for (int y = area.top + 2; y < area.bottom - 2; ++y) {
    for (int x = area.left + 2; x < area.right - 2; ++x) {
      const COLORREF c = shot.at(x, y);
      if (GetGValue(c) > 128 && GetRValue(c) < 100 && GetBValue(c) < 100) {
        if (first < 0)
          first = y;
        last = y;
        break;
      }
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

// The DpiScreens tests are run by run-wine-tests.sh at 96, 120, 144 and 192 DPI (the prefix's
// LogPixels), which says the DPI it set in TAMBREL_EXPECT_DPI.
void check_run_dpi(int dpi) {
  if (const char* expected = std::getenv("TAMBREL_EXPECT_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix's LogPixels did not take";
  }
}

TEST(DpiScreens, BothWindowsScaleTheirGeometryAndFontsWithTheDpi) {
  const int dpi = system_dpi();
  ASSERT_NO_FATAL_FAILURE(check_run_dpi(dpi));
  const std::wstring stem = artifact_dir() + L"\\win32-dpi-" + std::to_wstring(dpi);
  std::ofstream notes(std::filesystem::path(stem + L".txt"));
  notes << "control: twips (left top width height) -> pixels expected / seen; font pt -> "
           "em pixels expected / seen, weight\n";
  for (const Window& w : kWindows) {
    SCOPED_TRACE(w.name);
    ViewRig rig;
    forms::Form& form = show(rig, w);
    const HWND window = rig.window(form);
    EXPECT_EQ(window_dpi(window), dpi);
    const RECT outer = screen_rect_of(window);
    EXPECT_EQ(outer.right - outer.left, forms::twips_to_size(w.width, dpi));
    EXPECT_EQ(outer.bottom - outer.top, forms::twips_to_size(w.height, dpi));
    const Screen shot = settled_screen(rig);
    const std::wstring name(w.name, w.name + std::char_traits<char>::length(w.name));
    EXPECT_TRUE(shot.save_bmp(stem + L"-" + name + L".bmp", outer));
    notes << "[" << w.name << " at " << dpi << " DPI]\n";

    HDC dc = GetDC(window);
    for (const auto& control : form.controls()) {
      const forms::ControlDesign& d = control->props();
      SCOPED_TRACE(d.name);
      const HWND hwnd = rig.control(form, d.name);
      const RECT r = client_rect_of(hwnd);
      const int want[4] = {forms::twips_to_pixels(d.left, dpi), forms::twips_to_pixels(d.top, dpi),
                           forms::twips_to_size(d.width, dpi), forms::twips_to_size(d.height, dpi)};
      const int seen[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
      for (int i = 0; i < 4; ++i)
        EXPECT_EQ(seen[i], want[i]) << "edge " << i;

      // The face is drawn at the requested size, so it scales, and at the design's weight.
      const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
      ASSERT_TRUE(font);
      const HGDIOBJ old = SelectObject(dc, font);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      SelectObject(dc, old);
      const int em = em_pixels(d.font.size_pt, dpi);
      EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, em, 1);
      EXPECT_EQ(tm.tmWeight, d.font.weight);
      notes << d.name << ": " << d.left << " " << d.top << " " << d.width << " " << d.height
            << " -> " << want[0] << " " << want[1] << " " << want[2] << " " << want[3] << " / "
            << seen[0] << " " << seen[1] << " " << seen[2] << " " << seen[3] << "; "
            << d.font.size_pt << " pt -> " << em << " / " << tm.tmHeight - tm.tmInternalLeading
            << ", " << tm.tmWeight << "\n";
    }
    ReleaseDC(window, dc);

    // And on screen: the banner's capitals stand about three quarters of an em tall.
    const HWND banner = rig.control(form, TAMBREL_TITLE);
    const int ink = green_ink_rows(shot, screen_rect_of(banner));
    const int em = em_pixels(form.control(TAMBREL_TITLE).props().font.size_pt, dpi);
    EXPECT_GE(ink, em * 0.6) << "banner capitals " << ink << " px tall for a " << em << " px em";
    EXPECT_LE(ink, em * 0.85) << "banner capitals " << ink << " px tall for a " << em << " px em";
    notes << "banner capitals on screen: " << ink << " px for a " << em << " px em\n";
  }
}

/// Where a control draws its text, and how DrawTextW lays it out there: one line, or the lines
/// that word wrap makes.
struct TextArea {
  RECT rect;
  UINT format;
};

/// The text area of `control`, whose font is selected into `dc`, at `dpi`.
TextArea text_area_of(HWND control, HDC dc, int dpi) {
  RECT r{};
  GetClientRect(control, &r);
  const LONG_PTR style = style_of(control);
  const std::wstring kind = class_of(control);
  if (kind == L"EDIT") {
    // The edit's own formatting rectangle: its margins off, one line high at most.
    SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return {r, DT_SINGLELINE | DT_NOPREFIX};
  }
  if (kind == L"STATIC")
    return {r, DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0u)};
  if ((style & BS_TYPEMASK) == BS_3STATE) {
    // The box, 12 px per 96 DPI and one, then half a digit's width before the text.
    int digit = 0;
    GetCharWidth32W(dc, L'0', L'0', &digit);
    r.left += 12 * dpi / 96 + 1 + digit / 2;
  } else {
    InflateRect(&r, -2, -2);  // a push button's frame
  }
  RECT margin{};
  if (SendMessageW(control, BCM_GETTEXTMARGIN, 0, reinterpret_cast<LPARAM>(&margin))) {
    r.left += margin.left;
    r.top += margin.top;
    r.right -= margin.right;
    r.bottom -= margin.bottom;
  }
  return {r, (style & BS_MULTILINE) ? UINT{DT_WORDBREAK} : UINT{DT_SINGLELINE}};
}

/// Texts the program puts into a control besides the one it is made with.
struct LaterTexts {
  std::string_view control;
  std::string_view texts[2];
};
const LaterTexts kLaterTexts[] = {
    {PROCESS_STATE_TEXTBOX, {kRunning, kStopped}},
    {PROCESS_TERMINATED_COUNTDOWN_TEXTBOX, {kTerminated, kTerminationFailed}},
    {STOP_START_COUNTDOWN_BUTTON, {kStartCountdown}},
    {CLOSE_REQUEST_COUNTDOWN_TEXTBOX, {"00"}},
    {TAMBREL_UNLOAD_COUNDOWN_TEXTBOX, {"00"}},
    {TAMBREL_CREATOR, {kContactAddress}},
};

// Every text of both windows, with the control's font at the window's DPI, within the area the
// control draws it in: a caption cut off or wrapped onto a line the control has no room for
// fails, named with its figures. Each text and figure goes to win32-captions-DPI.txt.
TEST(DpiScreens, EveryCaptionFitsItsControl) {
  const int dpi = system_dpi();
  ASSERT_NO_FATAL_FAILURE(check_run_dpi(dpi));
  std::ofstream notes(std::filesystem::path(artifact_dir() + L"\\win32-captions-" +
                                            std::to_wstring(dpi) + L".txt"));
  int measured = 0;
  for (const Window& w : kWindows) {
    ViewRig rig;
    forms::Form& form = show(rig, w);
    HDC dc = GetDC(rig.window(form));
    for (const auto& control : form.controls()) {
      const std::string& name = control->name();
      std::vector<std::string> texts{control->props().text};
      for (const LaterTexts& later : kLaterTexts) {
        if (later.control == name)
          texts.insert(texts.end(), std::begin(later.texts), std::end(later.texts));
      }
      const HWND hwnd = rig.control(form, name);
      const HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
      wchar_t face[LF_FACESIZE] = {};
      GetTextFaceW(dc, LF_FACESIZE, face);
      const TextArea area = text_area_of(hwnd, dc, dpi);
      const int width = area.rect.right - area.rect.left, height = area.rect.bottom - area.rect.top;
      for (const std::string& text : texts) {
        if (text.empty())
          continue;
        RECT need{0, 0, width, 0};
        DrawTextW(dc, to_wide(text).c_str(), -1, &need, area.format | DT_CALCRECT);
        const bool fits = need.right <= width && need.bottom <= height;
        std::ostringstream line;
        line << name << " \"" << text << "\" at " << dpi << " DPI: needs " << need.right << "x"
             << need.bottom << " px, has " << width << "x" << height << " (" << to_utf8(face)
             << ")";
        notes << line.str() << (fits ? "" : "  DOES NOT FIT") << "\n";
        ++measured;
        EXPECT_TRUE(fits) << "does not fit: " << line.str();
      }
      SelectObject(dc, old);
    }
    ReleaseDC(rig.window(form), dc);
  }
  EXPECT_GE(measured, 30) << "captions measured";
}

}  // namespace
}  // namespace tambrel::win32::test
