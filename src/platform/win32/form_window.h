#pragma once

#include <windows.h>

#include <vector>

#include "forms/control.h"
#include "forms/form.h"
#include "platform/form_view.h"
#include "platform/win32/gdi_cache.h"

namespace tambrel::win32 {

class Win32FormView;
struct FormWindow;

/// The native window of one control.
struct ControlWindow {
  forms::Control* control = nullptr;
  HWND hwnd = nullptr;
  /// The EDIT class's own procedure, for text boxes that the view subclasses.
  WNDPROC class_proc = nullptr;
  FormWindow* form_window = nullptr;
};

/// The native top-level window of one loaded form and the windows of its controls.
struct FormWindow {
  explicit FormWindow(forms::Form& f) : form(f) {}
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  forms::Form& form;
  Win32FormView* view = nullptr;
  HWND hwnd = nullptr;
  int dpi = USER_DEFAULT_SCREEN_DPI;
  /// In the form's design order; sized once at creation, so pointers into it stay valid.
  std::vector<ControlWindow> controls;
  /// The control that has, or last had, the focus; it gets it back when the window is activated.
  HWND focus = nullptr;
  /// While shown modally: the owner the view disabled.
  HWND modal_owner = nullptr;
  /// The geometry last put on screen, as the runtime's twips (left, top, width, height) and as
  /// the pixels they became. A WM_MOVE to other pixels is the user's move.
  float placed_twips[4] = {0, 0, 0, 0};
  int placed_pixels[4] = {0, 0, 0, 0};
  /// The tool tip window, made for the first control that gets a tip; null until then. Not
  /// owned by `hwnd`: destroyed with it by the view.
  HWND tool_tips = nullptr;
  /// True while the view itself sets an edit's text, so its EN_CHANGE is not taken as typing.
  bool setting_text = false;

  ControlWindow* find(HWND control);
  ControlWindow* find(const forms::Control& control);
};

/// Creates the hidden top-level window of `fw.form` with the class `window_class`, sized to the
/// design's client area (centred when the design asks), then its controls: the windowed ones in
/// tab order, so that the z-order the dialog manager walks for Tab is the tab order, then the
/// labels beneath them all. Text boxes get `edit_subclass`.
/// Throws Error naming the call that failed.
void create_native(FormWindow& fw, ATOM window_class, HINSTANCE instance, FontCache& fonts,
                   WNDPROC edit_subclass);
/// Places and sizes every control and gives it its font, for `fw.dpi`.
void layout_controls(FormWindow& fw, FontCache& fonts);
/// Moves and sizes the window to the runtime's Left, Top, Width and Height where they changed
/// since they were last placed.
void place_window(FormWindow& fw);
/// Shows a changed property of `cw` at once, repainting before returning.
void show_property(FormWindow& fw, ControlWindow& cw, Property what);
/// Sets up `dc` for painting `control` (WM_CTLCOLOR*) and returns its background brush, or null
/// when `control` is not one of the form's.
HBRUSH control_colors(FormWindow& fw, HWND control, HDC dc, BrushCache& brushes);
/// The control that has the focus when the window opens: the enabled tab stop with the lowest
/// tab index; null when there is none.
HWND initial_focus(const FormWindow& fw);

}  // namespace tambrel::win32
