#include "platform/win32/form_window.h"

#include <algorithm>
#include <numeric>

#include "forms/twips.h"
#include "platform/error.h"
#include "platform/win32/dpi.h"
#include "platform/win32/tool_tips.h"
#include "platform/win32/utf.h"
#include "platform/win32/view_metrics.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

using forms::twips_to_pixels;
using forms::twips_to_size;

namespace {

/// Control ids start above IDOK and IDCANCEL, which IsDialogMessageW sends for Enter and Escape.
constexpr int kFirstControlId = 100;

std::wstring window_text(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), text.size())));
  return text;
}

void set_text(FormWindow& fw, ControlWindow& cw) {
  const std::wstring text = to_wide(cw.control->text());
  // The user's own typing comes back from the runtime as a change; writing it again would
  // move the caret.
  if (window_text(cw.hwnd) == text)
    return;
  fw.setting_text = true;
  SetWindowTextW(cw.hwnd, text.c_str());
  fw.setting_text = false;
}

void set_check(ControlWindow& cw) {
  const int value = cw.control->value();
  const WPARAM state = value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
  SendMessageW(cw.hwnd, BM_SETCHECK, state, 0);
}

SIZE outer_size(const forms::FormDesign& design, int dpi) {
  RECT rect{0, 0, twips_to_size(design.client_width, dpi),
            twips_to_size(design.client_height, dpi)};
  adjust_window_rect(rect, form_style(), form_ex_style(design), dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

ControlWindow* FormWindow::find(HWND control) {
  for (auto& cw : controls) {
    if (cw.hwnd == control)
      return &cw;
  }
  return nullptr;
}

ControlWindow* FormWindow::find(const forms::Control& control) {
  for (auto& cw : controls) {
    if (cw.control == &control)
      return &cw;
  }
  return nullptr;
}

void create_native(FormWindow& fw, ATOM window_class, HINSTANCE instance, FontCache& fonts,
                   WNDPROC edit_subclass) {
  const forms::FormDesign& design = fw.form.design();
  const SIZE size = outer_size(design, system_dpi());
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (design.centered) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    x = work.left + (work.right - work.left - size.cx) / 2;
    y = work.top + (work.bottom - work.top - size.cy) / 2;
  }
  fw.hwnd = CreateWindowExW(form_ex_style(design), MAKEINTATOM(window_class),
                            to_wide(design.caption).c_str(), form_style(), x, y, size.cx, size.cy,
                            nullptr, nullptr, instance, &fw);
  if (!fw.hwnd)
    throw Error("CreateWindowExW failed: " + error_text(GetLastError()));
  fw.dpi = window_dpi(fw.hwnd);
  RECT placed{};
  GetWindowRect(fw.hwnd, &placed);
  fw.placed_pixels[0] = placed.left;
  fw.placed_pixels[1] = placed.top;
  fw.placed_pixels[2] = placed.right - placed.left;
  fw.placed_pixels[3] = placed.bottom - placed.top;
  fw.placed_twips[0] = fw.form.left();
  fw.placed_twips[1] = fw.form.top();
  fw.placed_twips[2] = fw.form.width();
  fw.placed_twips[3] = fw.form.height();

  const auto& controls = fw.form.controls();
  fw.controls.resize(controls.size());
  std::vector<std::size_t> tab_order(controls.size());
  std::iota(tab_order.begin(), tab_order.end(), 0);
  // Labels last: on the form they are drawn on the window itself, beneath every windowed control
  // that overlaps them. Labels take no focus, so Tab never walks them.
  std::stable_sort(tab_order.begin(), tab_order.end(), [&](std::size_t a, std::size_t b) {
    const forms::ControlDesign& pa = controls[a]->props();
    const forms::ControlDesign& pb = controls[b]->props();
    const bool label_a = pa.kind == forms::ControlKind::kLabel;
    const bool label_b = pb.kind == forms::ControlKind::kLabel;
    return label_a != label_b ? label_b : pa.tab_index < pb.tab_index;
  });
  for (std::size_t i : tab_order) {
    ControlWindow& cw = fw.controls[i];
    cw.control = controls[i].get();
    cw.form_window = &fw;
    const forms::ControlDesign& props = cw.control->props();
    const NativeControl native = native_control(props);
    fw.setting_text = true;
    cw.hwnd = CreateWindowExW(native.ex_style, native.class_name, to_wide(props.text).c_str(),
                              native.style, 0, 0, 0, 0, fw.hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)),
                              instance, nullptr);
    fw.setting_text = false;
    if (!cw.hwnd)
      throw Error("CreateWindowExW failed: " + error_text(GetLastError()));
    // Each control goes below the ones before it: GetNextDlgTabItem walks the z-order.
    SetWindowPos(cw.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (props.kind == forms::ControlKind::kTextBox) {
      SendMessageW(cw.hwnd, EM_SETLIMITTEXT, 0, 0);
      SetWindowLongPtrW(cw.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&cw));
      cw.class_proc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(cw.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_subclass)));
    }
    if (props.kind == forms::ControlKind::kCheckBox)
      set_check(cw);
  }
  layout_controls(fw, fonts);
  fw.focus = initial_focus(fw);
}

void layout_controls(FormWindow& fw, FontCache& fonts) {
  for (ControlWindow& cw : fw.controls) {
    const forms::ControlDesign& p = cw.control->props();
    SetWindowPos(cw.hwnd, nullptr, twips_to_pixels(p.left, fw.dpi), twips_to_pixels(p.top, fw.dpi),
                 twips_to_size(p.width, fw.dpi), twips_to_size(p.height, fw.dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(cw.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.get(p.font, fw.dpi)), TRUE);
  }
}

void place_window(FormWindow& fw) {
  // Load assigns Left, Top, Width and Height one at a time; only the ones that changed are
  // applied, so the others keep what is on screen meanwhile.
  const float twips[4] = {fw.form.left(), fw.form.top(), fw.form.width(), fw.form.height()};
  for (int i = 0; i < 4; ++i) {
    if (twips[i] == fw.placed_twips[i])
      continue;
    fw.placed_twips[i] = twips[i];
    fw.placed_pixels[i] =
        i < 2 ? twips_to_pixels(twips[i], fw.dpi) : twips_to_size(twips[i], fw.dpi);
  }
  SetWindowPos(fw.hwnd, nullptr, fw.placed_pixels[0], fw.placed_pixels[1], fw.placed_pixels[2],
               fw.placed_pixels[3], SWP_NOZORDER | SWP_NOACTIVATE);
}

void show_property(FormWindow& fw, ControlWindow& cw, Property what) {
  switch (what) {
    case Property::kText:
      set_text(fw, cw);
      break;
    case Property::kEnabled:
      EnableWindow(cw.hwnd, cw.control->enabled() ? TRUE : FALSE);
      break;
    case Property::kValue:
      set_check(cw);
      break;
    case Property::kBackColor:
    case Property::kForeColor:
      InvalidateRect(cw.hwnd, nullptr, TRUE);
      break;
    case Property::kGeometry:
      break;
    case Property::kToolTipText:
      show_tool_tip(fw, cw);
      return;  // nothing on the control itself changes
  }
  // A handler may block right after this change (a WMI call, a pause): paint it now.
  UpdateWindow(cw.hwnd);
}

HBRUSH control_colors(FormWindow& fw, HWND control, HDC dc, BrushCache& brushes) {
  ControlWindow* cw = fw.find(control);
  if (!cw)
    return nullptr;
  const forms::ControlDesign& p = cw->control->props();
  const bool greyed = !p.enabled && p.kind == forms::ControlKind::kTextBox;
  SetTextColor(dc, greyed ? GetSysColor(COLOR_GRAYTEXT) : to_colorref(p.fore_color));
  SetBkColor(dc, to_colorref(p.back_color));
  return brushes.get(p.back_color);
}

HWND initial_focus(const FormWindow& fw) {
  const ControlWindow* best = nullptr;
  for (const ControlWindow& cw : fw.controls) {
    const forms::ControlDesign& p = cw.control->props();
    if (!p.tab_stop || !p.enabled)
      continue;
    if (!best || p.tab_index < best->control->props().tab_index)
      best = &cw;
  }
  return best ? best->hwnd : nullptr;
}

}  // namespace tambrel::win32
