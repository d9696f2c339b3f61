#pragma once

#include <functional>
#include <string_view>
#include <utility>

#include "platform/window_manager.h"

namespace tambrel::wayland {

/// The X11 window manager on a Wayland desktop that TAMBREL has no way into: it reaches the
/// XWayland windows only. Before the first request for a window it tells the user so, once.
class XWaylandOnlyWindowManager : public WindowManager {
 public:
  XWaylandOnlyWindowManager(WindowManager& x11, std::function<void()> tell_once)
      : x11_(x11), tell_once_(std::move(tell_once)) {}

  WindowId find_window(std::string_view title) override {
    tell();
    return x11_.find_window(title);
  }
  void post_close(WindowId window) override { x11_.post_close(window); }
  bool takes_close_requests(WindowId window) override { return x11_.takes_close_requests(window); }
  WindowId activate(std::string_view title) override {
    tell();
    return x11_.activate(title);
  }
  WindowId foreground_window() override { return x11_.foreground_window(); }
  void set_topmost(WindowId window, bool topmost) override { x11_.set_topmost(window, topmost); }
  WindowOwner owner(WindowId window) override { return x11_.owner(window); }
  /// Only the XWayland windows; no notice, so a listing shows no window of its own.
  std::vector<ListedWindow> windows() override { return x11_.windows(); }

 private:
  void tell() {
    if (auto once = std::exchange(tell_once_, nullptr))
      once();
  }

  WindowManager& x11_;
  std::function<void()> tell_once_;
};

}  // namespace tambrel::wayland
