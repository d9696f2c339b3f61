#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/window_choice.h"

namespace tambrel {

/// A top-level window of any application: an HWND on Windows, an X window id on X11. 0 is none.
using WindowId = std::uint64_t;

/// How a window id is written, in the activity log and by --list: "0x3a00007".
inline std::string window_id_text(WindowId window) {
  char id[24];
  std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(window));
  return id;
}

/// What the desktop tells of the process that owns a window.
struct WindowOwner {
  std::uint32_t pid = 0;  // 0: not known
  std::string image;      // the process's image name (e.g. gedit, notepad.exe); empty: not known
};

/// A top-level window as the desktop lists it.
struct ListedWindow {
  WindowId id = 0;
  std::string title;      // UTF-8
  std::uint32_t pid = 0;  // 0: not known
};

/// The desktop's window manager, as far as TAMBREL needs it. Titles are UTF-8; an empty title
/// names no window. Of several windows that answer a title, each desktop picks by
/// choose_window (window_choice.h).
class WindowManager {
 public:
  virtual ~WindowManager() = default;
  /// The top-level window whose title is exactly `title` (of several, as choose_window picks),
  /// or 0 when there is none.
  virtual WindowId find_window(std::string_view title) = 0;
  /// Queues a polite close request to `window` (WM_CLOSE / _NET_CLOSE_WINDOW); failures are
  /// ignored. Sends nothing to a window that takes no close requests. Never called with 0.
  virtual void post_close(WindowId window) = 0;
  /// False when `window` takes no close requests (on X11: WM_DELETE_WINDOW is not in its
  /// WM_PROTOCOLS): a window manager asked to close such a window disconnects its program, which
  /// is a kill, not a request. True where the desktop cannot tell. Never throws.
  virtual bool takes_close_requests(WindowId /*window*/) { return true; }
  /// Brings the top-level window titled exactly `title`, else one whose title begins with
  /// `title` (of several, as choose_window picks), to the foreground and returns it. Throws Error
  /// naming the title when none matches.
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
  /// Every top-level window the desktop lets a close request reach, topmost first where it tells
  /// the stacking order. Throws Error naming the call that failed when the desktop cannot be
  /// reached.
  virtual std::vector<ListedWindow> windows() = 0;

  /// Windows of the process `named` recognises come first among those that answer a title
  /// equally well. The program sets it once, at start.
  void prefer(NamedProcess named) { named_ = std::move(named); }

 protected:
  NamedProcess named_;
};

/// What `activate` throws when no window is titled `title` or has a title beginning with it.
inline Error no_window_to_activate(std::string_view title) {
  return Error("Activating a window failed: no window is titled \"" + std::string(title) +
               "\" or has a title beginning with it");
}

}  // namespace tambrel
