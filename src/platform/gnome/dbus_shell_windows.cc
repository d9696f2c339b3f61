#include "platform/gnome/dbus_shell_windows.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QList>
#include <QVariant>

#include "platform/error.h"

namespace tambrel::gnome {

namespace {

constexpr char kService[] = "com.meridox.Tambrel";
constexpr char kPath[] = "/com/meridox/Tambrel";
constexpr char kInterface[] = "com.meridox.Tambrel.Windows";
// The shell answers in milliseconds; a shell that hangs must not hang TAMBREL's timers for long.
constexpr int kTimeoutMs = 3000;

[[noreturn]] void fail(const char* method, const QString& why) {
  throw Error(std::string(kInterface) + "." + method + " failed: " + why.toStdString());
}

// The one value of a reply whose D-Bus signature must be `signature`.
template <typename T>
T only_answer(const QDBusMessage& reply, const char* method, const char* signature) {
  if (reply.signature() != QLatin1String(signature))
    fail(method, "unexpected answer of type " + reply.signature());
  return reply.arguments().at(0).value<T>();
}

}  // namespace

QString DBusShellWindows::trusted_owner(const QDBusConnection& bus, const char* method) {
  // Any program may hold the name while the extension is not enabled: only GNOME Shell's own
  // process is asked, by its connection's unique name, so no later owner of the well-known name
  // hears the request either.
  const QDBusConnectionInterface* daemon = bus.interface();
  const QDBusReply<QString> owner = daemon->serviceOwner(kService);
  if (!owner.isValid())
    fail(method, owner.error().name() + ": " + owner.error().message());
  const QDBusReply<uint> owner_pid = daemon->servicePid(owner.value());
  const QDBusReply<QString> shell = daemon->serviceOwner("org.gnome.Shell");
  const QDBusReply<uint> shell_pid =
      shell.isValid() ? daemon->servicePid(shell.value()) : QDBusReply<uint>();
  if (!owner_pid.isValid() || !shell_pid.isValid() || owner_pid.value() != shell_pid.value()) {
    fail(method,
         QString("the bus name %1 is held by process %2, not by GNOME Shell%3; TAMBREL "
                 "does not trust it")
             .arg(kService,
                  owner_pid.isValid() ? QString::number(owner_pid.value()) : QString("(unknown)"),
                  shell_pid.isValid() ? QString(" (process %1)").arg(shell_pid.value())
                                      : QString(" (which is not on the bus)")));
  }
  return owner.value();
}

QDBusMessage DBusShellWindows::call(const char* method, const QList<QVariant>& arguments) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    fail(method, "no session bus: " + bus.lastError().message());
  // The owner is checked once, not at every call of every tick. When its connection has gone
  // (the extension was turned off and on, the shell restarted), the name's owner now is checked
  // anew and asked once more.
  bool checked_now = owner_.isEmpty();
  if (checked_now)
    owner_ = trusted_owner(bus, method);
  for (;;) {
    QDBusMessage message = QDBusMessage::createMethodCall(owner_, kPath, kInterface, method);
    message.setArguments(arguments);
    QDBusMessage reply = bus.call(message, QDBus::Block, kTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
      return reply;
    owner_.clear();
    if (checked_now || reply.errorName() != "org.freedesktop.DBus.Error.ServiceUnknown")
      fail(method, reply.errorName() + ": " + reply.errorMessage());
    owner_ = trusted_owner(bus, method);
    checked_now = true;
  }
}

std::vector<ShellWindow> DBusShellWindows::list() {
  const QDBusMessage reply = call("List", {});
  const auto argument = only_answer<QDBusArgument>(reply, "List", "a(tsu)");
  std::vector<ShellWindow> windows;
  argument.beginArray();
  while (!argument.atEnd()) {
    qulonglong id = 0;
    QString title;
    uint pid = 0;
    argument.beginStructure();
    argument >> id >> title >> pid;
    argument.endStructure();
    windows.push_back({id, title.toStdString(), pid});
  }
  argument.endArray();
  return windows;
}

bool DBusShellWindows::close(WindowId id) {
  return only_answer<bool>(call("Close", {QVariant::fromValue(qulonglong(id))}), "Close", "b");
}

bool DBusShellWindows::activate(WindowId id) {
  return only_answer<bool>(call("Activate", {QVariant::fromValue(qulonglong(id))}), "Activate",
                           "b");
}

WindowId DBusShellWindows::focused() {
  return only_answer<qulonglong>(call("Focused", {}), "Focused", "t");
}

unsigned DBusShellWindows::keep_above(bool above) {
  return only_answer<uint>(call("KeepAbove", {QVariant(above)}), "KeepAbove", "u");
}

std::string DBusShellWindows::shell_version() {
  QDBusMessage message = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell",
                                                        "org.freedesktop.DBus.Properties", "Get");
  message.setArguments({QString("org.gnome.Shell"), QString("ShellVersion")});
  const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return {};
  return reply.arguments().at(0).value<QDBusVariant>().variant().toString().toStdString();
}

}  // namespace tambrel::gnome
