#pragma once

#include <memory>

#include "platform/key_sender.h"
#include "platform/x11/x_connection.h"

namespace tambrel::x11 {

/// Alt+F4 as fake key events of the XTEST extension: the server treats them like keys typed on
/// the keyboard, so the window manager's own bindings see them too.
class XTestKeySender : public KeySender {
 public:
  /// Opens its own connection to $DISPLAY; throws Error("XOpenDisplay failed: ...") without one.
  XTestKeySender();
  /// Works over an existing connection, e.g. one shared with the window manager.
  explicit XTestKeySender(std::shared_ptr<x11::Connection> connection);

  /// Throws Error when the server has no XTEST extension or no key for Alt_L or F4.
  void send_alt_f4() override;

 private:
  std::shared_ptr<x11::Connection> connection_;
};

}  // namespace tambrel::x11
