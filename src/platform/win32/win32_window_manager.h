#pragma once

#include <optional>

#include "platform/window_manager.h"

namespace tambrel::win32 {

/// The window manager on user32: EnumWindows, PostMessageW(WM_CLOSE), SetForegroundWindow,
/// GetForegroundWindow, SetWindowPos(HWND_TOPMOST / HWND_NOTOPMOST).
/// The lookup and the activation compare titles alike, by title_matches: UTF-16 as the system
/// keeps them, ordinal, ignoring case, as the system's own lookup does (activation: a whole
/// title first, else the first that begins with the text).
class Win32WindowManager : public WindowManager {
 public:
  WindowId find_window(std::string_view title) override;
  void post_close(WindowId window) override;
  WindowId activate(std::string_view title) override;
  WindowId foreground_window() override;
  void set_topmost(WindowId window, bool topmost) override;
  /// IsWindowEnabled; the dialog is the window's last active popup (GetLastActivePopup).
  std::optional<WindowId> input_blocked(WindowId window) override;
  /// GetWindowThreadProcessId, and the image name from QueryFullProcessImageNameW.
  WindowOwner owner(WindowId window) override;
  /// EnumWindows: the visible top-level windows with a title, topmost first, each with the
  /// process GetWindowThreadProcessId names.
  std::vector<ListedWindow> windows() override;
};

}  // namespace tambrel::win32
