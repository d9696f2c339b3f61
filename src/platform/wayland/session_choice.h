#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tambrel::wayland {

/// Which window manager TAMBREL talks to in this desktop session.
enum class DesktopBackend {
  x11,            ///< an X11 session: Xlib and EWMH, as ever
  i3_ipc,         ///< sway or i3: the IPC socket
  kwin,           ///< KDE Plasma on Wayland: KWin scripts over D-Bus
  gnome_shell,    ///< GNOME on Wayland: TAMBREL's GNOME Shell extension over D-Bus
  xwayland_only,  ///< any other Wayland desktop: X11 through XWayland, native windows unreachable
};

/// What start-up knows about the session.
struct SessionFacts {
  /// An environment variable, nullopt when unset (an empty value counts as unset).
  std::function<std::optional<std::string>(const char* name)> env;
  /// Whether a name is owned on the session bus; never asked outside a Wayland session.
  std::function<bool(const char* bus_name)> on_session_bus;
};

/// The backend for this session and why it was chosen.
struct BackendChoice {
  DesktopBackend backend;
  /// The desktop in words, for messages: "X11", "sway", "i3", "KDE Plasma", "GNOME", ...
  std::string desktop;
  /// One sentence for the start-up notice.
  std::string why;
  /// The IPC socket of sway/i3; empty for the other backends.
  std::string ipc_socket;
};

/// KWin's name on the session bus.
inline constexpr const char* kKWinBusName = "org.kde.KWin";
/// GNOME Shell's name on the session bus.
inline constexpr const char* kGnomeShellBusName = "org.gnome.Shell";

/// Picks the backend by the first rule of a short table that applies: X11 session; sway/i3
/// socket; KWin on the session bus; GNOME (named by XDG_CURRENT_DESKTOP, or GNOME Shell on the
/// bus); else XWayland only.
BackendChoice choose_backend(const SessionFacts& facts);

/// Which windows the Linux build reaches on which desktop, for --help.
inline constexpr const char* kDesktopsReached =
    "Windows it reaches: on X11 every window; on Wayland every window under sway or i3 (their IPC\n"
    "socket), KDE Plasma (KWin scripts) and GNOME (with its extension enabled); on any other\n"
    "Wayland desktop only X11/XWayland windows, and its first close request says so.\n";

/// The one line start-up states, e.g. "Windows are reached through sway's IPC socket: ...".
std::string describe(const BackendChoice& choice);

}  // namespace tambrel::wayland
