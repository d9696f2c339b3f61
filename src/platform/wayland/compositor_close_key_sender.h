#pragma once

#include <functional>
#include <utility>

#include "platform/key_sender.h"

namespace tambrel::wayland {

/// Alt+F4 where the compositor offers TAMBREL no virtual keyboard: the window confirmed in front
/// is asked to close through the compositor, which has the same effect.
class CompositorCloseKeySender : public KeySender {
 public:
  /// `close_confirmed` returns false when no window was confirmed in front.
  explicit CompositorCloseKeySender(std::function<bool()> close_confirmed)
      : close_confirmed_(std::move(close_confirmed)) {}
  void send_alt_f4() override { close_confirmed_(); }

 private:
  std::function<bool()> close_confirmed_;
};

}  // namespace tambrel::wayland
