#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/gnome/shell_windows.h"
#include "platform/window_manager.h"

namespace tambrel::gnome {

/// The window manager of a GNOME Wayland session, through TAMBREL's shell extension. Titles are
/// matched here, on the list the extension gives; the extension only ever receives window ids.
/// An empty title names no window.
///
/// When the extension does not answer, the first close request or activation says so, once: it
/// names the extension and the command that enables it, on stderr and through `notice` (a message
/// that does not stop the program); an activation then fails with that text. Nothing is closed.
class GnomeWindowManager : public WindowManager {
 public:
  using Notice = std::function<void(const std::string& text)>;
  GnomeWindowManager(ShellWindows& shell, Notice notice);

  WindowId find_window(std::string_view title) override;
  void post_close(WindowId window) override;
  WindowId activate(std::string_view title) override;
  WindowId foreground_window() override;
  /// GNOME lets a program keep only its own windows above: `topmost` lifts TAMBREL's windows,
  /// whichever `window` is named, and taking the status away is left undone (the program never
  /// lowers its own window, and other programs' windows are not its to change).
  void set_topmost(WindowId window, bool topmost) override;
  /// The shell's list. Throws Error with the text that names the extension and how to enable it
  /// when the extension does not answer; no notice is shown.
  std::vector<ListedWindow> windows() override;

  /// Asks the window last seen in front by foreground_window() to close, as Alt+F4 would:
  /// the Alt+F4 step reads the foreground to confirm its target just before, and the focus may
  /// have moved to another program's window since. False when no window was in front, or it is
  /// gone.
  /// Throws Error naming the call when the extension does not answer.
  bool close_confirmed();

 private:
  void tell(const std::string& reason);

  ShellWindows& shell_;
  Notice notice_;
  bool told_ = false;
  WindowId confirmed_ = 0;  // what foreground_window() last answered
};

/// The uuid of the extension made for GNOME Shell `shell_version` ("48.2"); empty when the version
/// is not known.
std::string_view gnome_extension_uuid(std::string_view shell_version);

/// What the user reads when the extension does not answer: its name for the running shell, the
/// command that enables it and what to do after a first install (both extensions' names when the
/// shell's version is not known).
std::string gnome_extension_missing_text(std::string_view reason, std::string_view shell_version);

}  // namespace tambrel::gnome
