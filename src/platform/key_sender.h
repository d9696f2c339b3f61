#pragma once

namespace tambrel {

/// Synthesises keystrokes into whichever window has the keyboard focus.
class KeySender {
 public:
  virtual ~KeySender() = default;
  /// Types Alt+F4 (Alt down, F4 down, F4 up, Alt up). Throws Error when the desktop refuses.
  virtual void send_alt_f4() = 0;
};

}  // namespace tambrel
