#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_manager.h"

namespace tambrel::gnome {

/// The uuids of the GNOME Shell extensions TAMBREL ships, as `gnome-extensions` names them: one
/// for GNOME Shell 43 and 44 (a script), one for 45 and later (an ES module).
inline constexpr char kGnomeExtensionUuid43[] = "tambrel@meridox";
inline constexpr char kGnomeExtensionUuid45[] = "tambrel-shell45@meridox";

/// One window as GNOME Shell knows it: the shell's own id, its title (UTF-8), its process (0 when
/// the shell does not know it).
struct ShellWindow {
  WindowId id = 0;
  std::string title;
  std::uint32_t pid = 0;
};

/// The calls TAMBREL's GNOME Shell extension answers on the session bus, and nothing more.
/// Every call throws Error naming the call when the extension does not answer.
class ShellWindows {
 public:
  virtual ~ShellWindows() = default;
  /// Every top-level window, topmost first.
  virtual std::vector<ShellWindow> list() = 0;
  /// Asks the window to close, as its close button would; false when no window has that id.
  virtual bool close(WindowId id) = 0;
  /// Brings the window to the front and gives it the focus; false when no window has that id.
  virtual bool activate(WindowId id) = 0;
  /// The window with the keyboard focus, or 0.
  virtual WindowId focused() = 0;
  /// Keeps the calling program's own windows above the others (or stops doing so); returns how
  /// many windows that was. The shell touches no other program's windows this way.
  virtual unsigned keep_above(bool above) = 0;
  /// The running shell's version ("48.2"), as org.gnome.Shell tells it; empty when it does not.
  /// Never throws.
  virtual std::string shell_version() = 0;
};

}  // namespace tambrel::gnome
