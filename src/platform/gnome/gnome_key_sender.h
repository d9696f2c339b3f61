#pragma once

#include "platform/gnome/gnome_window_manager.h"
#include "platform/key_sender.h"

namespace tambrel::gnome {

/// Alt+F4 on a GNOME Wayland session. No program may type into another's window there, so this
/// does what GNOME Shell's own Alt+F4 does: it asks the window in front to close, the one the
/// Alt+F4 step has just confirmed there.
class GnomeKeySender : public KeySender {
 public:
  explicit GnomeKeySender(GnomeWindowManager& windows) : windows_(windows) {}
  /// Throws Error naming the call when the extension does not answer.
  void send_alt_f4() override;

 private:
  GnomeWindowManager& windows_;
};

}  // namespace tambrel::gnome
