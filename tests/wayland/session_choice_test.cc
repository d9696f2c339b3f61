// Which window manager start-up picks for which session.
#include "platform/wayland/session_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace tambrel::wayland {
namespace {

struct Session {
  std::map<std::string, std::string> env{};
  std::vector<std::string> on_bus{};
  std::vector<std::string> bus_asked{};

  BackendChoice choose() {
    return choose_backend({[this](const char* name) -> std::optional<std::string> {
                             auto it = env.find(name);
                             if (it == env.end() || it->second.empty())
                               return std::nullopt;
                             return it->second;
                           },
                           [this](const char* name) {
                             bus_asked.push_back(name);
                             return std::find(on_bus.begin(), on_bus.end(), name) != on_bus.end();
                           }});
  }
};

TEST(SessionChoice, AnX11SessionStaysOnX11EvenUnderI3) {
  Session session{{{"DISPLAY", ":0"}, {"I3SOCK", "/run/user/1000/i3/ipc"}}, {"org.kde.KWin"}};
  const BackendChoice choice = session.choose();
  EXPECT_EQ(choice.backend, DesktopBackend::x11);
  EXPECT_TRUE(session.bus_asked.empty()) << "an X11 session needs no bus";
  EXPECT_NE(describe(choice).find("X11"), std::string::npos);
}

TEST(SessionChoice, SwayAndI3SocketsChooseTheIpcBackendWithTheirSocket) {
  Session sway{{{"WAYLAND_DISPLAY", "wayland-1"},
                {"SWAYSOCK", "/run/sway-ipc.1.sock"},
                {"I3SOCK", "/run/i3sock"}}};
  BackendChoice choice = sway.choose();
  EXPECT_EQ(choice.backend, DesktopBackend::i3_ipc);
  EXPECT_EQ(choice.desktop, "sway");
  EXPECT_EQ(choice.ipc_socket, "/run/sway-ipc.1.sock");
  EXPECT_NE(describe(choice).find("SWAYSOCK is set to /run/sway-ipc.1.sock"), std::string::npos);

  Session i3{{{"WAYLAND_DISPLAY", "wayland-1"}, {"I3SOCK", "/run/i3sock"}}};
  choice = i3.choose();
  EXPECT_EQ(choice.backend, DesktopBackend::i3_ipc);
  EXPECT_EQ(choice.desktop, "i3");
  EXPECT_EQ(choice.ipc_socket, "/run/i3sock");
}

TEST(SessionChoice, KWinOnTheSessionBusChoosesKWinUnlessASwaySocketIsThere) {
  Session plasma{{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "KDE"}},
                 {"org.kde.KWin"}};
  const BackendChoice choice = plasma.choose();
  EXPECT_EQ(choice.backend, DesktopBackend::kwin);
  EXPECT_EQ(choice.desktop, "KDE Plasma");
  EXPECT_EQ(plasma.bus_asked, (std::vector<std::string>{"org.kde.KWin"}));

  Session nested{{{"WAYLAND_DISPLAY", "wayland-1"}, {"SWAYSOCK", "/run/sway.sock"}},
                 {"org.kde.KWin"}};
  EXPECT_EQ(nested.choose().backend, DesktopBackend::i3_ipc);
}

TEST(SessionChoice, AnEmptyVariableCountsAsUnset) {
  Session session{
      {{"WAYLAND_DISPLAY", "wayland-0"}, {"SWAYSOCK", ""}, {"XDG_CURRENT_DESKTOP", "Wayfire"}}};
  EXPECT_EQ(session.choose().backend, DesktopBackend::xwayland_only);
  Session x11{{{"WAYLAND_DISPLAY", ""}, {"SWAYSOCK", "/s"}}};
  EXPECT_EQ(x11.choose().backend, DesktopBackend::x11);
}

TEST(SessionChoice, AnyOtherWaylandDesktopIsNamedAndReachedOnlyThroughXWayland) {
  Session wayfire{{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "Wayfire:wlroots"}}};
  BackendChoice choice = wayfire.choose();
  EXPECT_EQ(choice.backend, DesktopBackend::xwayland_only);
  EXPECT_EQ(choice.desktop, "Wayfire");
  EXPECT_NE(describe(choice).find("only X11/XWayland windows"), std::string::npos);

  Session unnamed{{{"WAYLAND_DISPLAY", "wayland-0"}}};
  EXPECT_EQ(unnamed.choose().desktop, "this Wayland desktop");
}

TEST(SessionChoice, GnomeOnWaylandIsReachedThroughTheShellExtension) {
  for (const char* desktops : {"GNOME", "ubuntu:GNOME", "GNOME-Classic:GNOME"}) {
    Session gnome{{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", desktops}}};
    const BackendChoice choice = gnome.choose();
    EXPECT_EQ(choice.backend, DesktopBackend::gnome_shell) << desktops;
    EXPECT_EQ(choice.desktop, "GNOME");
    EXPECT_NE(describe(choice).find("GNOME Shell extension"), std::string::npos);
  }
  // Without the variable, GNOME Shell on the bus says it; a look-alike name does not.
  Session unnamed{{{"WAYLAND_DISPLAY", "wayland-0"}}, {"org.gnome.Shell"}};
  EXPECT_EQ(unnamed.choose().backend, DesktopBackend::gnome_shell);
  for (const char* desktops : {"gnome", "GNOME-Flashback", "XGNOME:sway"}) {
    Session other{{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", desktops}}};
    EXPECT_EQ(other.choose().backend, DesktopBackend::xwayland_only) << desktops;
  }
  // An X11 GNOME session stays on X11; sway's socket wins over a stray GNOME name.
  Session x11{{{"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "GNOME"}}, {"org.gnome.Shell"}};
  EXPECT_EQ(x11.choose().backend, DesktopBackend::x11);
  Session sway{{{"WAYLAND_DISPLAY", "wayland-1"},
                {"SWAYSOCK", "/run/sway.sock"},
                {"XDG_CURRENT_DESKTOP", "GNOME"}}};
  EXPECT_EQ(sway.choose().backend, DesktopBackend::i3_ipc);
}

}  // namespace
}  // namespace tambrel::wayland
