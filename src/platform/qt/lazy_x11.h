#pragma once

#include <memory>
#include <string_view>

#include "platform/key_sender.h"
#include "platform/window_manager.h"

namespace tambrel::x11 {
class Connection;
class X11WindowManager;
class XTestKeySender;
}  // namespace tambrel::x11

namespace tambrel::qt {

/// One X11 connection, opened on first use and shared by the window manager and the key sender,
/// so the program starts without a display (the offscreen platform, no $DISPLAY) and only a use
/// of either service fails, with the Error of XOpenDisplay. A failed open is tried again at the
/// next use.
class LazyX11 {
 public:
  LazyX11();
  ~LazyX11();
  LazyX11(const LazyX11&) = delete;
  LazyX11& operator=(const LazyX11&) = delete;

  WindowManager& windows() { return windows_; }
  KeySender& keys() { return keys_; }

 private:
  class Windows : public WindowManager {
   public:
    explicit Windows(LazyX11& x11) : x11_(x11) {}
    WindowId find_window(std::string_view title) override;
    void post_close(WindowId window) override;
    bool takes_close_requests(WindowId window) override;
    WindowId activate(std::string_view title) override;
    WindowId foreground_window() override;
    void set_topmost(WindowId window, bool topmost) override;
    WindowOwner owner(WindowId window) override;
    std::vector<ListedWindow> windows() override;

   private:
    LazyX11& x11_;
  };
  class Keys : public KeySender {
   public:
    explicit Keys(LazyX11& x11) : x11_(x11) {}
    void send_alt_f4() override;

   private:
    LazyX11& x11_;
  };

  std::shared_ptr<x11::Connection> connection();
  x11::X11WindowManager& window_manager();
  x11::XTestKeySender& key_sender();

  std::shared_ptr<x11::Connection> connection_;
  std::unique_ptr<x11::X11WindowManager> window_manager_;
  std::unique_ptr<x11::XTestKeySender> key_sender_;
  Windows windows_{*this};
  Keys keys_{*this};
};

}  // namespace tambrel::qt
