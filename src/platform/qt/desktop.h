#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gnome/shell_windows.h"
#include "platform/key_sender.h"
#include "platform/qt/lazy_x11.h"
#include "platform/wayland/session_choice.h"
#include "platform/window_manager.h"

namespace tambrel::wayland {
class I3WindowManager;
class KWinWindowManager;
}  // namespace tambrel::wayland

namespace tambrel::qt {

/// Lets TAMBREL's own window use XWayland when the session offers it (QT_QPA_PLATFORM=xcb unless
/// the user chose a platform), so its position and keep-above behave as on X11. Call before the
/// QApplication is made.
void prefer_xwayland_for_own_window();

/// The window manager and key sender of this desktop session: X11, sway/i3 over IPC, KWin scripts
/// over D-Bus, GNOME Shell through TAMBREL's extension, or X11 through XWayland only. The choice
/// is made once, at construction, and stated in the activity log.
class Desktop {
 public:
  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  WindowManager& windows() { return *windows_; }
  KeySender& keys() { return *keys_; }
  const wayland::BackendChoice& choice() const { return choice_; }
  /// What start-up found out about the choice, for the activity log.
  const std::vector<std::string>& statements() const { return statements_; }

 private:
  void tell_unreachable();
  /// Keeps one line about the choice for statements().
  void state(const std::string& line);
  /// X11 through XWayland, with the notice at the first request for a window.
  void use_xwayland_only();
  /// Alt+F4 through the compositor: says so, then closes the window confirmed in front.
  void use_compositor_close(std::function<bool()> close_confirmed);

  wayland::BackendChoice choice_;
  std::vector<std::string> statements_;
  LazyX11 x11_;
  std::unique_ptr<wayland::I3WindowManager> i3_;
  std::unique_ptr<gnome::ShellWindows> gnome_shell_;
  std::unique_ptr<wayland::KWinWindowManager> kwin_;
  std::unique_ptr<WindowManager> own_windows_;
  std::unique_ptr<KeySender> own_keys_;
  WindowManager* windows_ = nullptr;
  KeySender* keys_ = nullptr;
};

}  // namespace tambrel::qt
