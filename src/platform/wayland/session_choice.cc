#include "platform/wayland/session_choice.h"

#include <array>

namespace tambrel::wayland {

namespace {

using Rule = std::optional<BackendChoice> (*)(const SessionFacts&);

std::optional<BackendChoice> x11_session(const SessionFacts& facts) {
  if (facts.env("WAYLAND_DISPLAY"))
    return std::nullopt;
  return BackendChoice{DesktopBackend::x11, "X11", "WAYLAND_DISPLAY is not set: an X11 session",
                       ""};
}

std::optional<BackendChoice> sway_or_i3(const SessionFacts& facts) {
  if (auto sway = facts.env("SWAYSOCK"))
    return BackendChoice{DesktopBackend::i3_ipc, "sway", "SWAYSOCK is set to " + *sway, *sway};
  if (auto i3 = facts.env("I3SOCK"))
    return BackendChoice{DesktopBackend::i3_ipc, "i3", "I3SOCK is set to " + *i3, *i3};
  return std::nullopt;
}

std::optional<BackendChoice> kde_plasma(const SessionFacts& facts) {
  if (!facts.on_session_bus(kKWinBusName))
    return std::nullopt;
  return BackendChoice{DesktopBackend::kwin, "KDE Plasma",
                       std::string(kKWinBusName) + " is on the session bus", ""};
}

// XDG_CURRENT_DESKTOP names GNOME among its entries ("GNOME", "ubuntu:GNOME"), or GNOME Shell
// is on the bus. The shell's own extension interface is asked later, at the first request, so
// that a missing extension can be told then.
std::optional<BackendChoice> gnome_shell(const SessionFacts& facts) {
  const std::string desktops = ":" + facts.env("XDG_CURRENT_DESKTOP").value_or("") + ":";
  if (desktops.find(":GNOME:") != std::string::npos)
    return BackendChoice{DesktopBackend::gnome_shell, "GNOME", "XDG_CURRENT_DESKTOP names GNOME",
                         ""};
  if (facts.on_session_bus(kGnomeShellBusName))
    return BackendChoice{DesktopBackend::gnome_shell, "GNOME",
                         std::string(kGnomeShellBusName) + " is on the session bus", ""};
  return std::nullopt;
}

std::optional<BackendChoice> other_wayland(const SessionFacts& facts) {
  // XDG_CURRENT_DESKTOP is a colon-separated list, most specific first.
  std::string desktop = facts.env("XDG_CURRENT_DESKTOP").value_or("");
  desktop = desktop.substr(0, desktop.find(':'));
  if (desktop.empty())
    desktop = "this Wayland desktop";
  return BackendChoice{DesktopBackend::xwayland_only, desktop,
                       "a Wayland session with neither a sway/i3 socket nor KWin on the bus", ""};
}

// First match wins; a new desktop's rule goes before other_wayland.
constexpr std::array<Rule, 5> kRules = {x11_session, sway_or_i3, kde_plasma, gnome_shell,
                                        other_wayland};

}  // namespace

BackendChoice choose_backend(const SessionFacts& facts) {
  for (const Rule rule : kRules) {
    if (auto choice = rule(facts))
      return *choice;
  }
  return *other_wayland(facts);
}

std::string describe(const BackendChoice& choice) {
  std::string how;
  switch (choice.backend) {
    case DesktopBackend::x11:
      how = "Windows are reached through X11";
      break;
    case DesktopBackend::i3_ipc:
      how = "Windows are reached through " + choice.desktop + "'s IPC socket";
      break;
    case DesktopBackend::kwin:
      how = "Windows are reached through KWin scripts over D-Bus";
      break;
    case DesktopBackend::gnome_shell:
      how = "Windows are reached through TAMBREL's GNOME Shell extension over D-Bus";
      break;
    case DesktopBackend::xwayland_only:
      how = "On " + choice.desktop +
            " only X11/XWayland windows can be reached (through X11); native Wayland windows "
            "cannot be closed or activated from here";
      break;
  }
  return how + " (" + choice.why + ").";
}

}  // namespace tambrel::wayland
