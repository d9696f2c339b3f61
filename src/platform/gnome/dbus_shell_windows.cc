#include "platform/gnome/dbus_shell_windows.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
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

QDBusMessage DBusShellWindows::call(const char* method, const QList<QVariant>& arguments) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    fail(method, "no session bus: " + bus.lastError().message());
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  message.setArguments(arguments);
  QDBusMessage reply = bus.call(message, QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage)
    fail(method, reply.errorName() + ": " + reply.errorMessage());
  return reply;
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
