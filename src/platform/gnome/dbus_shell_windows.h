#pragma once

#include <QString>

#include "platform/gnome/shell_windows.h"

class QDBusConnection;
class QDBusMessage;
class QVariant;
template <typename T>
class QList;

namespace tambrel::gnome {

/// The extension's calls over the session bus (com.meridox.Tambrel), each waiting at most a few
/// seconds for the answer.
class DBusShellWindows : public ShellWindows {
 public:
  std::vector<ShellWindow> list() override;
  bool close(WindowId id) override;
  bool activate(WindowId id) override;
  WindowId focused() override;
  unsigned keep_above(bool above) override;
  std::string shell_version() override;

 private:
  QDBusMessage call(const char* method, const QList<QVariant>& arguments);
  /// The unique bus name of the extension's connection once it is known to be GNOME Shell's own
  /// process; throws Error naming `method` otherwise.
  static QString trusted_owner(const QDBusConnection& bus, const char* method);

  /// The name trusted_owner last gave. A bus never hands a unique name out again, so it names
  /// the shell's connection for as long as it answers at all.
  QString owner_;
};

}  // namespace tambrel::gnome
