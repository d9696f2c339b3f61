#pragma once

#include <functional>
#include <utility>

#include "platform/key_sender.h"

namespace tambrel::wayland {

/// Alt+F4 where the compositor offers TAMBREL no virtual keyboard: the focused window is asked to
/// close through the compositor, which has the same effect.
class CompositorCloseKeySender : public KeySender {
 public:
  /// `close_focused` returns false when no window had the focus.
  explicit CompositorCloseKeySender(std::function<bool()> close_focused)
      : close_focused_(std::move(close_focused)) {}
  void send_alt_f4() override { close_focused_(); }

 private:
  std::function<bool()> close_focused_;
};

}  // namespace tambrel::wayland
