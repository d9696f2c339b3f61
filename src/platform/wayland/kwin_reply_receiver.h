#pragma once

#include <QDBusContext>
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
/// the program's timers inside the waiting handler). Any program on the bus can call it, so a
/// report counts only when it comes from the connection the caller names (KWin's) and carries a
/// token nobody could guess.
class KWinReplyReceiver : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.meridox.Tambrel.KWinReply")

 public:
  /// The report for `token` sent by the bus connection `sender` (a unique name), or nullopt when
  /// none came within `timeout`.
  std::optional<QString> wait_for(const QString& token, const QString& sender,
                                  std::chrono::milliseconds timeout);

  /// A token for one request: 128 random bits from the system's generator, in hex.
  static QString new_token();

 public Q_SLOTS:
  /// Called by the script over D-Bus.
  Q_SCRIPTABLE void reply(const QString& token, const QString& json);

 private:
  struct Report {
    QString sender;
    QString json;
  };
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::multimap<QString, Report> replies_;
};

}  // namespace tambrel::wayland
