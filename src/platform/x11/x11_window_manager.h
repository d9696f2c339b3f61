#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_manager.h"
#include "platform/x11/x_connection.h"

namespace tambrel::x11 {

/// The window manager seen through Xlib and the EWMH hints of whichever window manager runs.
/// With an EWMH window manager the top-level windows are its _NET_CLIENT_LIST_STACKING (else its
/// _NET_CLIENT_LIST) and every request goes to it as a client message; without one they are the
/// root's children (or, under a reparenting manager, the client windows inside them) and requests
/// go to the windows directly.
/// Window ids are client windows, the same ids the toolkit and _NET_ACTIVE_WINDOW use.
/// An empty title names no window; of several windows with the title asked for, the topmost is
/// the one found and activated.
class X11WindowManager : public WindowManager {
 public:
  /// Opens its own connection to $DISPLAY; throws Error("XOpenDisplay failed: ...") without one.
  X11WindowManager();
  /// Works over an existing connection, e.g. one shared with the key sender.
  explicit X11WindowManager(std::shared_ptr<x11::Connection> connection);
  ~X11WindowManager() override;

  WindowId find_window(std::string_view title) override;
  /// Sends nothing to a window that takes no close requests (see takes_close_requests).
  void post_close(WindowId window) override;
  bool takes_close_requests(WindowId window) override;
  WindowId activate(std::string_view title) override;
  WindowId foreground_window() override;
  void set_topmost(WindowId window, bool topmost) override;
  /// _NET_WM_PID, and the image name from /proc when the client runs on this machine.
  WindowOwner owner(WindowId window) override;
  /// top_levels() with the process of each, where it runs on this machine.
  std::vector<ListedWindow> windows() override;

  /// One top-level window and its title (UTF-8).
  struct TopLevel {
    WindowId window;
    std::string title;
  };
  /// Every top-level window with a title, topmost first where the window manager tells the
  /// stacking order (and without a window manager), else in its order.
  std::vector<TopLevel> top_levels();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tambrel::x11
