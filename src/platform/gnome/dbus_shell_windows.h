#pragma once

#include "platform/gnome/shell_windows.h"

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
  static QDBusMessage call(const char* method, const QList<QVariant>& arguments);
};

}  // namespace tambrel::gnome
