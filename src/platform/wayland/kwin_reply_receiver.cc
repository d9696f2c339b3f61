#include "platform/wayland/kwin_reply_receiver.h"

#include <QDBusMessage>
#include <QRandomGenerator>

namespace tambrel::wayland {

QString KWinReplyReceiver::new_token() {
  quint32 bits[4];
  QRandomGenerator::system()->fillRange(bits);
  return QByteArray(reinterpret_cast<const char*>(bits), sizeof bits).toHex();
}

std::optional<QString> KWinReplyReceiver::wait_for(const QString& token, const QString& sender,
                                                   std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  std::optional<QString> json;
  arrived_.wait_for(lock, timeout, [&] {
    const auto [first, last] = replies_.equal_range(token);
    for (auto it = first; it != last; ++it) {
      if (it->second.sender == sender)
        json = it->second.json;
    }
    return json.has_value();
  });
  // Reports of requests that timed out earlier are of no use any more, nor are forged ones.
  replies_.clear();
  return json;
}

void KWinReplyReceiver::reply(const QString& token, const QString& json) {
  const QString sender = calledFromDBus() ? message().service() : QString();
  {
    std::lock_guard lock(mutex_);
    replies_.insert({token, {sender, json}});
  }
  arrived_.notify_all();
}

}  // namespace tambrel::wayland
