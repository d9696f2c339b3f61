#pragma once

#include <cstdint>

#include "platform/window_manager.h"

namespace tambrel::wayland {

/// Compositor backends give an XWayland window the id it has on X11, which is also what the
/// toolkit reports for TAMBREL's own window there, so "is our window in front" compares like with
/// like. A native Wayland window has no X id; it gets the compositor's own number with this bit
/// set, which no X11 id (29 bits) ever has.
inline constexpr WindowId kNativeWindowTag = WindowId{1} << 62;

/// The id of a window the compositor numbers `native` and X11 numbers `x11` (0: not on X11).
inline WindowId window_id(std::uint64_t native, std::uint64_t x11) {
  return x11 != 0 ? x11 : (native | kNativeWindowTag);
}

}  // namespace tambrel::wayland
