#include "platform/win32/dpi.h"

#include "platform/error.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

namespace {

/// `name` from `module` as a pointer of the type of `out`; null when absent.
template <typename Function>
void look_up(HMODULE module, const char* name, Function& out) {
  const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  // Through a generic function pointer type: the one cast between function types that the
  // compiler accepts as deliberate.
  out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

const DpiFunctions& DpiFunctions::system() {
  static const DpiFunctions functions = [] {
    DpiFunctions f;
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    look_up(user32, "GetDpiForWindow", f.dpi_for_window);
    look_up(user32, "GetDpiForSystem", f.dpi_for_system);
    look_up(user32, "AdjustWindowRectExForDpi", f.adjust_window_rect_for_dpi);
    return f;
  }();
  return functions;
}

int system_dpi(const DpiFunctions& dpi) {
  UINT value = dpi.dpi_for_system ? dpi.dpi_for_system() : 0;
  if (value == 0) {
    if (HDC screen = GetDC(nullptr)) {
      value = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
      ReleaseDC(nullptr, screen);
    }
  }
  return value ? static_cast<int>(value) : USER_DEFAULT_SCREEN_DPI;
}

int window_dpi(HWND hwnd, const DpiFunctions& dpi) {
  const UINT value = hwnd && dpi.dpi_for_window ? dpi.dpi_for_window(hwnd) : 0;
  return value ? static_cast<int>(value) : system_dpi(dpi);
}

void adjust_window_rect(RECT& rect, DWORD style, DWORD ex_style, int dpi_value,
                        const DpiFunctions& dpi) {
  const BOOL done = dpi.adjust_window_rect_for_dpi
                        ? dpi.adjust_window_rect_for_dpi(&rect, style, FALSE, ex_style,
                                                         static_cast<UINT>(dpi_value))
                        : AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  if (!done)
    throw Error("AdjustWindowRectEx failed: " + error_text(GetLastError()));
}

}  // namespace tambrel::win32
