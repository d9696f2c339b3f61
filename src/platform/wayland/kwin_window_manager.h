#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/window_manager.h"

class QJsonObject;

namespace tambrel::wayland {

/// The window manager of KDE Plasma on Wayland: each request is a small KWin script, loaded
/// through org.kde.kwin.Scripting, run, and unloaded again. A script only lists the windows
/// (native Wayland and XWayland alike) or acts on one window id, and reports back over D-Bus to an
/// object this class registers on the session bus; titles are matched here, never in a script. Ids
/// follow window_ids.h: XWayland windows keep their X id, native ones get a tagged number of our
/// own for KWin's internal id. An empty title names no window. Each request waits at most `timeout`
/// for KWin's report.
class KWinWindowManager : public WindowManager {
 public:
  /// Throws Error naming the call that failed when the session bus cannot be reached.
  explicit KWinWindowManager(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  ~KWinWindowManager() override;

  /// Every window KWin manages, topmost first.
  std::vector<ListedWindow> windows() override;

  WindowId find_window(std::string_view title) override;
  /// closeWindow(): KWin asks the window to close, as its close button would.
  void post_close(WindowId window) override;
  /// Exact caption, else the first that begins with `title`; KWin makes it the active window.
  WindowId activate(std::string_view title) override;
  WindowId foreground_window() override;
  /// KWin's own keep-above.
  void set_topmost(WindowId window, bool topmost) override;

  /// Asks the window last seen in front by foreground_window() to close, as Alt+F4 would:
  /// the Alt+F4 step reads the foreground to confirm its target just before, and the focus may
  /// have moved to another program's window since. False when no window was in front, or it is
  /// gone.
  bool close_confirmed();

 private:
  struct Report;
  /// Runs one request; throws Error naming the call that failed.
  Report run(const std::string& op, WindowId target = 0, bool above = false);
  /// Our id for a window the script described.
  WindowId id_of(const QJsonObject& window);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tambrel::wayland
