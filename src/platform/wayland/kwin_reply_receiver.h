#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

namespace tambrel::wayland {

/// The D-Bus object KWin scripts report to. It lives on a thread of its own, so a report arrives
/// while the user-interface thread waits for it without running its event loop (which would run
/// the program's timers inside the waiting handler).
class KWinReplyReceiver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.meridox.Tambrel.KWinReply")

 public:
  /// The report for `token`, or nullopt when none came within `timeout`.
  std::optional<QString> wait_for(const QString& token, std::chrono::milliseconds timeout);

 public Q_SLOTS:
  /// Called by the script over D-Bus.
  Q_SCRIPTABLE void reply(const QString& token, const QString& json);

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::map<QString, QString> replies_;
};

}  // namespace tambrel::wayland
