#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "forms/design.h"

namespace tambrel::win32 {

/// The CreateFontW height for a `size_pt` point font at `dpi`: -MulDiv(pt, dpi, 72), rounded.
int font_height(double size_pt, int dpi);
/// The face CreateFontW is asked for a design's `face`: "MS Sans Serif", a bitmap face with a
/// few pixel sizes only (it neither scales with the DPI nor draws bold), becomes the scalable
/// "Microsoft Sans Serif" drawn to the same metrics; any other face is itself.
std::wstring font_face(std::string_view face);
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
