#pragma once

#include <windows.h>

#include "forms/design.h"

namespace tambrel::win32 {

/// The largest distance, in pixels, a window or control is placed or sized to. Stored twips can
/// hold any number; beyond this the window manager's 16-bit message fields would wrap.
inline constexpr int kMaxPixels = 30000;

/// `twips` at `dpi` (MulDiv(twips, dpi, 1440), rounded), clamped to [-kMaxPixels, kMaxPixels];
/// a value that is not a number is 0.
int twips_to_pixels(double twips, int dpi);
/// A size in twips at `dpi` as pixels, clamped to [0, kMaxPixels].
int twips_to_size(double twips, int dpi);
/// `pixels` at `dpi` in twips, the unit the forms runtime keeps geometry in.
float pixels_to_twips(int pixels, int dpi);
/// The CreateFontW height for a `size_pt` point font at `dpi`: -MulDiv(pt, dpi, 72), rounded.
int font_height(double size_pt, int dpi);
/// A forms colour as a COLORREF; 0x800000nn is GetSysColor(nn).
COLORREF to_colorref(forms::Color color);

/// What CreateWindowExW needs to make a native control for a control design.
struct NativeControl {
  const wchar_t* class_name;
  DWORD style;
  DWORD ex_style;
};
/// Window class and styles for `design`: STATIC, EDIT or BUTTON with alignment, border, read-only,
/// word wrap, enabled and tab-stop state. Every control starts its own group, so the arrow keys
/// never move the focus; check boxes are BS_3STATE, so only the runtime decides their value.
NativeControl native_control(const forms::ControlDesign& design);

/// Window styles of a form: a fixed, captioned window with a close box only; tool windows have
/// the thin title bar and no taskbar button.
DWORD form_style();
DWORD form_ex_style(const forms::FormDesign& design);

}  // namespace tambrel::win32
