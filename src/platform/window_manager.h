#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace tambrel {

/// A top-level window of any application: an HWND on Windows, an X window id on X11. 0 is none.
using WindowId = std::uint64_t;

/// What the desktop tells of the process that owns a window.
struct WindowOwner {
  std::uint32_t pid = 0;  // 0: not known
  std::string image;      // the process's image name (e.g. gedit, notepad.exe); empty: not known
};

/// The desktop's window manager, as far as TAMBREL needs it. Titles are UTF-8; an empty title
/// names no window.
class WindowManager {
 public:
  virtual ~WindowManager() = default;
  /// The top-level window whose title is exactly `title`, or 0 when there is none.
  virtual WindowId find_window(std::string_view title) = 0;
  /// Queues a polite close request to `window` (WM_CLOSE / _NET_CLOSE_WINDOW); failures are
  /// ignored. Never called with 0.
  virtual void post_close(WindowId window) = 0;
  /// Brings the top-level window titled exactly `title`, else the first whose title begins with
  /// `title`, to the foreground and returns it. Throws Error naming the title when none matches.
  virtual WindowId activate(std::string_view title) = 0;
  /// The window in the foreground, or 0.
  virtual WindowId foreground_window() = 0;
  /// Puts `window` among the always-on-top windows, or takes that status away, without moving
  /// or resizing it. Failures are ignored; 0 is ignored.
  virtual void set_topmost(WindowId window, bool topmost) = 0;
  /// The process that owns `window`, as far as the desktop tells; for the activity log only, so
  /// a desktop that cannot tell keeps this default, which knows nothing. Never throws.
  virtual WindowOwner owner(WindowId /*window*/) { return {}; }
  /// Whether `window` refuses keyboard input, as a window does while its own modal dialog is
  /// open (the dialog disabled it): nothing when it takes input or the desktop cannot tell, else
  /// the window that holds its input (that dialog), or 0 when none is known. Never throws.
  virtual std::optional<WindowId> input_blocked(WindowId /*window*/) { return std::nullopt; }
};

/// The window `activate` chooses among `windows`: the one titled exactly `title`, else the first
/// whose title begins with it; `windows.end()` when `title` is empty or none matches.
/// `title_of(window)` gives a window's title.
template <class Windows, class TitleOf>
auto window_to_activate(const Windows& windows, std::string_view title, TitleOf title_of) {
  if (title.empty())
    return windows.end();
  const auto exact = std::find_if(windows.begin(), windows.end(),
                                  [&](const auto& window) { return title_of(window) == title; });
  if (exact != windows.end())
    return exact;
  return std::find_if(windows.begin(), windows.end(), [&](const auto& window) {
    return std::string_view(title_of(window)).starts_with(title);
  });
}

/// What `activate` throws when no window is titled `title` or has a title beginning with it.
inline Error no_window_to_activate(std::string_view title) {
  return Error("Activating a window failed: no window is titled \"" + std::string(title) +
               "\" or has a title beginning with it");
}

}  // namespace tambrel
