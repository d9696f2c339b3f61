#pragma once

#include <windows.h>

namespace tambrel::win32 {

/// The DPI functions of user32 that Windows 7 lacks, looked up at run time; each is null where
/// the running system does not have it, and the callers below fall back.
struct DpiFunctions {
  UINT(WINAPI* dpi_for_window)(HWND) = nullptr;
  UINT(WINAPI* dpi_for_system)() = nullptr;
  BOOL(WINAPI* adjust_window_rect_for_dpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;

  /// What the running system's user32 has, looked up once.
  static const DpiFunctions& system();
};

/// The DPI the whole screen is drawn at: GetDpiForSystem, else the screen's LOGPIXELSY.
int system_dpi(const DpiFunctions& dpi = DpiFunctions::system());
/// The DPI `hwnd` is drawn at: GetDpiForWindow, else the system's.
int window_dpi(HWND hwnd, const DpiFunctions& dpi = DpiFunctions::system());
/// Grows `rect` from a client area to the window around it at `dpi_value`:
/// AdjustWindowRectExForDpi, else AdjustWindowRectEx (which measures the frame at the system's
/// DPI, the only one such a system draws frames at). Throws Error when the system refuses.
void adjust_window_rect(RECT& rect, DWORD style, DWORD ex_style, int dpi_value,
                        const DpiFunctions& dpi = DpiFunctions::system());

}  // namespace tambrel::win32
