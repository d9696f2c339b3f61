#include "platform/win32/view_metrics.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/utf.h"

namespace tambrel::win32 {

int font_height(double size_pt, int dpi) {
  return -static_cast<int>(std::lround(size_pt * dpi / 72.0));
}

std::wstring font_face(std::string_view face) {
  if (face == "MS Sans Serif")
    return L"Microsoft Sans Serif";
  return to_wide(face);
}

COLORREF to_colorref(forms::Color color) {
  if (forms::colors::is_system(color))
    return GetSysColor(forms::colors::system_index(color));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

NativeControl native_control(const forms::ControlDesign& d) {
  using forms::Align;
  using forms::ControlKind;
  // WS_CLIPSIBLINGS: a control paints only where no control above it lies.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  if (!d.enabled)
    style |= WS_DISABLED;
  if (d.tab_stop)
    style |= WS_TABSTOP;
  const bool border = d.border == forms::Border::kSingle;
  switch (d.kind) {
    case ControlKind::kLabel:
      // SS_NOTIFY: labels report Click and DblClick. SS_NOPREFIX: an '&' in a file name is text.
      style |= SS_NOTIFY | SS_NOPREFIX |
               (d.align == Align::kCenter  ? SS_CENTER
                : d.align == Align::kRight ? SS_RIGHT
                                           : SS_LEFT);
      if (border)
        style |= SS_SUNKEN;
      return {L"STATIC", style, ex_style};
    case ControlKind::kTextBox:
      style |= ES_AUTOHSCROLL | (d.align == Align::kCenter  ? ES_CENTER
                                 : d.align == Align::kRight ? ES_RIGHT
                                                            : ES_LEFT);
      if (d.read_only)
        style |= ES_READONLY;
      if (border)
        ex_style |= WS_EX_CLIENTEDGE;
      return {L"EDIT", style, ex_style};
    case ControlKind::kCheckBox:
      style |= BS_3STATE;
      if (d.word_wrap)
        style |= BS_MULTILINE;
      return {L"BUTTON", style, ex_style};
    case ControlKind::kButton:
      style |= BS_PUSHBUTTON;
      if (d.word_wrap)
        style |= BS_MULTILINE;
      return {L"BUTTON", style, ex_style};
  }
  return {L"STATIC", style, ex_style};
}

DWORD form_style() {
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
}

DWORD form_ex_style(const forms::FormDesign& design) {
  return design.tool_window ? WS_EX_TOOLWINDOW : WS_EX_APPWINDOW;
}

}  // namespace tambrel::win32
