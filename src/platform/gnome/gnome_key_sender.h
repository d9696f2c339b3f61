#pragma once

#include "platform/gnome/shell_windows.h"
#include "platform/key_sender.h"

namespace tambrel::gnome {

/// Alt+F4 on a GNOME Wayland session. No program may type into another's window there, so this
/// does what GNOME Shell's own Alt+F4 does: it asks the window with the keyboard focus to close.
class GnomeKeySender : public KeySender {
 public:
  explicit GnomeKeySender(ShellWindows& shell) : shell_(shell) {}
  /// Closes the focused window, if any; throws Error naming the call when the extension does not
  /// answer.
  void send_alt_f4() override;

 private:
  ShellWindows& shell_;
};

}  // namespace tambrel::gnome
