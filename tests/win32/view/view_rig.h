#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "forms/application.h"
#include "forms/form.h"
#include "platform/clock.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_form_view.h"

namespace tambrel::win32::test {

using namespace std::chrono_literals;

/// What the view tells a screen reader, recorded: Wine implements no Dynamic Annotation.
struct RecordingAccessibility : Accessibility {
  void name(HWND hwnd, std::wstring_view name) override { names[hwnd] = name; }
  void dialog(HWND hwnd, std::wstring_view text) override { dialogs[hwnd] = text; }
  void forget(HWND hwnd) override { names.erase(hwnd), dialogs.erase(hwnd); }
  void announce(HWND hwnd, DWORD event, std::wstring_view text) override {
    said.emplace_back(hwnd, event, text);
  }
  std::map<HWND, std::wstring> names, dialogs;
  std::vector<std::tuple<HWND, DWORD, std::wstring>> said;
};

/// The real view with a forms runtime on the real clock. Forms made with form() are unloaded
/// and gone before the view is.
class ViewRig {
 public:
  ViewRig();
  ~ViewRig();

  /// A form of `design`, owned by the rig, not yet loaded.
  forms::Form& form(forms::FormDesign design);
  /// Loads and shows `form` at the given twips (left, top, width, height).
  void show_at(forms::Form& form, float left, float top, float width, float height);
  /// The main window, or the About box, as designed, shown at 1000, 1000 twips.
  forms::Form& show_main();
  forms::Form& show_about();

  /// Handles messages through the view until `condition` holds or `timeout` passes.
  bool pump_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s);
  /// Handles messages for `duration`: for checks that something does not happen.
  void pump_for(std::chrono::milliseconds duration) {
    pump_until([] { return false; }, duration);
  }
  /// Handles whatever messages are waiting.
  void pump();

  HWND window(const forms::Form& form) const { return view.form_window(form); }
  HWND control(const forms::Form& form, std::string_view name) const {
    return view.control_window(form, name);
  }

  SteadyClock clock;
  RecordingAccessibility accessibility;
  Win32FormView view{GetModuleHandleW(nullptr), IDI_TAMBREL, &accessibility};
  forms::Application app{clock, view};

 private:
  std::vector<std::unique_ptr<forms::Form>> forms_;
};

/// A control's rectangle in its parent's client coordinates.
RECT client_rect_of(HWND control);
/// The window class name ("Static", "Edit", "Button"), upper-cased.
std::wstring class_of(HWND hwnd);
std::wstring text_of(HWND hwnd);
LONG_PTR style_of(HWND hwnd);
LONG_PTR ex_style_of(HWND hwnd);
/// The font the control draws with.
LOGFONTW font_of(HWND control);

/// What a form tells the system to paint a control with (WM_CTLCOLOR*).
struct Paint {
  COLORREF text, background, brush;
};
Paint paint_of(HWND form, HWND control);

/// The colour the pixel (x, y) of `hwnd`'s client area has on screen right now.
COLORREF pixel_of(HWND hwnd, int x, int y);

/// What the screen shows, captured at one moment.
class Screen {
 public:
  /// Captures the whole screen; empty() when that failed.
  static Screen capture();
  bool empty() const { return pixels_.empty(); }
  /// The colour at screen pixel (x, y); CLR_INVALID off the capture.
  COLORREF at(int x, int y) const;
  /// Writes `area` (screen pixels; the whole screen by default, cut to the screen) as a 24-bit
  /// BMP to `path`; false when that failed.
  bool save_bmp(const std::wstring& path, RECT area = {0, 0, 1 << 16, 1 << 16}) const;
  bool operator==(const Screen&) const = default;

 private:
  int width_ = 0, height_ = 0;
  /// Top-down rows of 0x00RRGGBB.
  std::vector<std::uint32_t> pixels_;
};

/// Writes the whole screen as a 24-bit BMP to `path`; false when that failed.
bool save_screen_bmp(const std::wstring& path);
/// Handles messages until two captures of the screen, 100 ms apart, agree (the system has put
/// every paint on screen), at most `timeout`; the last capture.
Screen settled_screen(ViewRig& rig, std::chrono::milliseconds timeout = 5s);

/// The directory test artefacts go to: %TAMBREL_ARTIFACTS%, else the temporary directory.
std::wstring artifact_dir();

}  // namespace tambrel::win32::test
