#pragma once

#include "platform/key_sender.h"

namespace tambrel::win32 {

/// Alt+F4 through SendInput, into whichever window has the keyboard focus.
class SendInputKeySender : public KeySender {
 public:
  void send_alt_f4() override;
};

}  // namespace tambrel::win32
