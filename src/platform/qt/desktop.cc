#include "platform/qt/desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMessageBox>
#include <QString>

#include <cstdlib>

#include "platform/error.h"
#include "platform/gnome/dbus_shell_windows.h"
#include "platform/gnome/gnome_key_sender.h"
#include "platform/gnome/gnome_window_manager.h"
#include "platform/visible_text.h"
#include "platform/wayland/compositor_close_key_sender.h"
#include "platform/wayland/i3_window_manager.h"
#include "platform/wayland/kwin_window_manager.h"
#include "platform/wayland/xwayland_only.h"

namespace tambrel::qt {

namespace {

std::optional<std::string> env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    return std::nullopt;
  return std::string(value);
}

bool on_session_bus(const char* name) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr)
    return false;
  return bus.interface()->isServiceRegistered(QString::fromUtf8(name)).value();
}

// The missing GNOME Shell extension, told once. Not modal: the countdowns and the process watch
// go on while the user reads it.
void show_gnome_notice(const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, "TAMBREL", QString::fromStdString(text));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace

void prefer_xwayland_for_own_window() {
  if (env("WAYLAND_DISPLAY") && env("DISPLAY") && !env("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

Desktop::Desktop()
    : choice_(wayland::choose_backend({env, on_session_bus})),
      windows_(&x11_.windows()),
      keys_(&x11_.keys()) {
  state(wayland::describe(choice_));
  switch (choice_.backend) {
    case wayland::DesktopBackend::x11:
      break;
    case wayland::DesktopBackend::i3_ipc:
      i3_ = std::make_unique<wayland::I3WindowManager>(wayland::I3Ipc(choice_.ipc_socket),
                                                       choice_.desktop);
      windows_ = i3_.get();
      use_compositor_close([this] { return i3_->close_confirmed(); });
      break;
    case wayland::DesktopBackend::gnome_shell:
      gnome_shell_ = std::make_unique<gnome::DBusShellWindows>();
      {
        auto shell_windows =
            std::make_unique<gnome::GnomeWindowManager>(*gnome_shell_, show_gnome_notice);
        own_keys_ = std::make_unique<gnome::GnomeKeySender>(*shell_windows);
        own_windows_ = std::move(shell_windows);
      }
      windows_ = own_windows_.get();
      keys_ = own_keys_.get();
      state(
          "Alt+F4 mode on GNOME: no key is typed; once the target is confirmed in front, GNOME "
          "Shell is asked to close that window, as its own Alt+F4 does.");
      break;
    case wayland::DesktopBackend::kwin:
      try {
        kwin_ = std::make_unique<wayland::KWinWindowManager>();
      } catch (const Error& e) {
        // KWin was seen on the bus a moment ago; without a way to hear its scripts back, the
        // session is one more Wayland desktop we reach only through XWayland.
        state(e.what());
        choice_.backend = wayland::DesktopBackend::xwayland_only;
        state(wayland::describe(choice_));
        use_xwayland_only();
        break;
      }
      windows_ = kwin_.get();
      use_compositor_close([this] { return kwin_->close_confirmed(); });
      break;
    case wayland::DesktopBackend::xwayland_only:
      use_xwayland_only();
      break;
  }
}

void Desktop::use_xwayland_only() {
  own_windows_ = std::make_unique<wayland::XWaylandOnlyWindowManager>(
      x11_.windows(), [this] { tell_unreachable(); });
  windows_ = own_windows_.get();
}

Desktop::~Desktop() = default;

void Desktop::state(const std::string& line) {
  statements_.push_back(line);
}

void Desktop::use_compositor_close(std::function<bool()> close_confirmed) {
  state("Alt+F4 mode on " + choice_.desktop +
        ": no key is typed; once the target is confirmed in front, " + choice_.desktop +
        " is asked to close that window (the same effect).");
  own_keys_ = std::make_unique<wayland::CompositorCloseKeySender>(std::move(close_confirmed));
  keys_ = own_keys_.get();
}

void Desktop::tell_unreachable() {
  // Not modal: the countdowns go on, and nothing is claimed to have worked.
  auto* box = new QMessageBox(
      QMessageBox::Information, "TAMBREL",
      QString::fromStdString("On " + choice_.desktop +
                             " TAMBREL can reach only X11/XWayland windows. A native Wayland "
                             "window with this title cannot be closed or activated from here."));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace tambrel::qt
