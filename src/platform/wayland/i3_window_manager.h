#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wayland/i3_ipc.h"
#include "platform/window_manager.h"

namespace tambrel::wayland {

/// The window manager of sway or i3, reached over its IPC socket: windows are the leaf
/// containers of GET_TREE (native Wayland and XWayland alike), titles their "name". Every command
/// addresses one container by [con_id=N]; a title never becomes part of a command. Ids follow
/// window_ids.h. An empty title names no window.
class I3WindowManager : public WindowManager {
 public:
  /// `desktop` names the compositor in errors ("sway", "i3").
  I3WindowManager(I3Ipc ipc, std::string desktop);

  WindowId find_window(std::string_view title) override;
  /// [con_id=N] kill: the compositor asks the window to close, as its close box would.
  void post_close(WindowId window) override;
  /// [con_id=N] focus on the exact title, else the first title that begins with it.
  WindowId activate(std::string_view title) override;
  /// The container marked "focused", 0 when a workspace or nothing holds the focus.
  WindowId foreground_window() override;
  /// Keep-above as tiling allows: the window floats and is sticky (floating windows stay over
  /// tiled ones, sticky ones on every workspace). Taking it away does nothing: there is no
  /// topmost status to take, and a window the user made sticky stays so.
  void set_topmost(WindowId window, bool topmost) override;

  /// Asks the window last seen in front by foreground_window() to close ([con_id=N] kill), as
  /// Alt+F4 would:
  /// the Alt+F4 step reads the foreground to confirm its target just before, and the focus may
  /// have moved to another program's window since. False when no window was in front, or it is
  /// gone.
  bool close_confirmed();

  /// One window of the tree.
  struct Window {
    WindowId id;
    std::int64_t con_id;
    std::string title;
    bool focused;
    std::uint32_t pid;  // 0: not known
  };
  /// Every window, the most recently focused first (sway's tree has no stacking order).
  std::vector<Window> tree_windows();
  /// tree_windows() as every desktop lists them.
  std::vector<ListedWindow> windows() override;

 private:
  /// Runs one command; the compositor's own error text when it refused, else empty.
  std::string run(const std::string& command);
  /// The container of `window`, 0 when it is gone.
  std::int64_t con_id_of(WindowId window);

  I3Ipc ipc_;
  std::string desktop_;
  WindowId confirmed_ = 0;  // what foreground_window() last answered
};

}  // namespace tambrel::wayland
