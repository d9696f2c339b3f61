#include "platform/wayland/kwin_window_manager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <unistd.h>

#include "platform/error.h"
#include "platform/wayland/kwin_reply_receiver.h"
#include "platform/wayland/kwin_script.h"
#include "platform/wayland/window_ids.h"

namespace tambrel::wayland {

namespace {

constexpr const char* kKWinService = "org.kde.KWin";
constexpr const char* kReportConnection = "tambrel-kwin-reports";

std::string text(const QString& s) {
  return s.toStdString();
}

}  // namespace

struct KWinWindowManager::Report {
  QJsonArray windows;  ///< the list, for "list"
  QJsonObject window;  ///< empty when the script chose none
  QJsonObject active;
};

struct KWinWindowManager::Impl {
  std::chrono::milliseconds timeout;
  QDBusConnection bus = QDBusConnection::sessionBus();
  QThread thread;
  KWinReplyReceiver* receiver = nullptr;  // lives on `thread`, deleted when it finishes
  QString scripts;                        // where scripts are written, each for as long as it runs
  QString report_service;                 // the unique name of the connection reports come over
  std::uint64_t next_request = 1;
  std::uint64_t next_native = 1;
  WindowId confirmed = 0;  // what foreground_window() last answered
  // KWin 6 tells scripts no X11 ids: TAMBREL's own XWayland window, as the toolkit numbers it,
  // once set_topmost had to find it by the program's pid instead.
  WindowId own_x11 = 0;
  std::map<std::string, WindowId> native_ids;  // KWin's internal id -> ours
  std::map<WindowId, std::string> native_uuids;

  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QList<QVariant>& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kKWinService, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, static_cast<int>(timeout.count()));
  }
};

KWinWindowManager::KWinWindowManager(std::chrono::milliseconds timeout)
    : impl_(std::make_unique<Impl>()) {
  impl_->timeout = timeout;
  if (!impl_->bus.isConnected())
    throw Error("Connecting to the session bus failed: " + text(impl_->bus.lastError().message()));
  // The user's own runtime folder where the session has one: private, and emptied at logout.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  impl_->scripts =
      QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
  impl_->receiver = new KWinReplyReceiver;
  impl_->receiver->moveToThread(&impl_->thread);
  QObject::connect(&impl_->thread, &QThread::finished, impl_->receiver, &QObject::deleteLater);
  impl_->thread.start();
  // Reports come over a connection of their own, opened and served on the receiver's thread:
  // calls to objects of the shared connection are dispatched through the user-interface thread,
  // which is busy waiting for this very report.
  QString failed;
  QMetaObject::invokeMethod(
      impl_->receiver,
      [this, &failed] {
        QDBusConnection reports =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, kReportConnection);
        if (!reports.isConnected())
          failed = "Connecting to the session bus failed: " + reports.lastError().message();
        else if (!reports.registerObject(kKWinReplyPath, impl_->receiver,
                                         QDBusConnection::ExportScriptableSlots))
          failed = QString("Registering %1 on the session bus failed: %2")
                       .arg(kKWinReplyPath, reports.lastError().message());
        else
          impl_->report_service = reports.baseService();
      },
      Qt::BlockingQueuedConnection);
  if (!failed.isEmpty()) {
    impl_->thread.quit();
    impl_->thread.wait();
    throw Error(text(failed));
  }
}

KWinWindowManager::~KWinWindowManager() {
  QMetaObject::invokeMethod(
      impl_->receiver, [] { QDBusConnection::disconnectFromBus(kReportConnection); },
      Qt::BlockingQueuedConnection);
  impl_->thread.quit();
  impl_->thread.wait();
}

WindowId KWinWindowManager::id_of(const QJsonObject& window) {
  if (const qint64 x11 = window.value("x11").toInteger())
    return static_cast<WindowId>(x11);
  if (impl_->own_x11 != 0 && window.value("pid").toInteger() == ::getpid())
    return impl_->own_x11;
  auto [it, added] = impl_->native_ids.try_emplace(text(window.value("uuid").toString()), 0);
  if (added) {
    it->second = window_id(impl_->next_native++, 0);
    impl_->native_uuids[it->second] = it->first;
  }
  return it->second;
}

KWinWindowManager::Report KWinWindowManager::run(const std::string& op, WindowId target,
                                                 bool above) {
  Impl& d = *impl_;
  const QString token = KWinReplyReceiver::new_token();
  QJsonObject request{{"op", QString::fromStdString(op)},
                      {"above", above},
                      {"pid", static_cast<qint64>(::getpid())},
                      {"service", d.report_service},
                      {"path", kKWinReplyPath},
                      {"interface", kKWinReplyInterface},
                      {"token", token}};
  if (target != 0) {
    QJsonObject t{{"x11", 0}, {"uuid", ""}};
    if (target & kNativeWindowTag) {
      auto it = d.native_uuids.find(target);
      if (it == d.native_uuids.end())
        return {};  // never a window of this session
      t["uuid"] = QString::fromStdString(it->second);
    } else {
      t["x11"] = static_cast<qint64>(target);
    }
    request["target"] = t;
  }
  const std::string source =
      kwin_script(QJsonDocument(request).toJson(QJsonDocument::Compact).toStdString());

  const QString plugin = QString("tambrel-%1-%2").arg(::getpid()).arg(d.next_request++);
  // Readable by its owner only, made afresh (never through a file someone left there), and gone
  // once the request is over, however it ends.
  const QString path = d.scripts + "/" + plugin + "-" + KWinReplyReceiver::new_token() + ".js";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    throw Error("Writing the KWin script " + text(path) + " failed: " + text(file.errorString()));
  }
  const struct Remove {
    QFile& file;
    ~Remove() { file.remove(); }
  } remove{file};
  if (file.write(source.data(), static_cast<qint64>(source.size())) !=
          static_cast<qint64>(source.size()) ||
      !file.flush()) {
    throw Error("Writing the KWin script " + text(path) + " failed: " + text(file.errorString()));
  }
  file.close();
  // Reports count only from KWin's own connection.
  const QDBusReply<QString> kwin = d.bus.interface()->serviceOwner(kKWinService);
  if (!kwin.isValid())
    throw Error("GetNameOwner of " + std::string(kKWinService) +
                " failed: " + text(kwin.error().message()));
  const QDBusMessage loaded =
      d.call("/Scripting", "org.kde.kwin.Scripting", "loadScript", {path, plugin});
  if (loaded.type() == QDBusMessage::ErrorMessage)
    throw Error("loadScript on KWin failed: " + text(loaded.errorMessage()));
  const int id = loaded.arguments().value(0).toInt();
  if (id < 0)
    throw Error("loadScript on KWin failed: KWin refused the script");

  // KWin 5.27 and 6 put a loaded script at /<id>; older ones at /Scripting/Script<id>.
  QDBusMessage ran = d.call("/" + QString::number(id), "org.kde.kwin.Script", "run", {});
  if (ran.type() == QDBusMessage::ErrorMessage)
    ran = d.call("/Scripting/Script" + QString::number(id), "org.kde.kwin.Script", "run", {});
  std::optional<QString> json;
  if (ran.type() != QDBusMessage::ErrorMessage)
    json = d.receiver->wait_for(token, kwin.value(), d.timeout);
  d.call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {plugin});
  if (ran.type() == QDBusMessage::ErrorMessage)
    throw Error("run of a KWin script failed: " + text(ran.errorMessage()));
  if (!json)
    throw Error("A KWin script sent no report within the time limit");

  const QJsonObject report = QJsonDocument::fromJson(json->toUtf8()).object();
  return {report.value("windows").toArray(), report.value("window").toObject(),
          report.value("active").toObject()};
}

namespace {

bool chosen_window(const QJsonObject& window) {
  return window.contains("uuid");
}

}  // namespace

std::vector<ListedWindow> KWinWindowManager::windows() {
  const Report r = run("list");
  std::vector<std::pair<qint64, ListedWindow>> stacked;
  for (const QJsonValue& value : r.windows) {
    const QJsonObject w = value.toObject();
    stacked.push_back({w.value("stacking").toInteger(),
                       {id_of(w), text(w.value("caption").toString()),
                        static_cast<std::uint32_t>(w.value("pid").toInteger())}});
  }
  std::stable_sort(stacked.begin(), stacked.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<ListedWindow> out;
  for (auto& [stacking, window] : stacked)
    out.push_back(std::move(window));
  return out;
}

WindowId KWinWindowManager::find_window(std::string_view title) {
  const std::vector<ListedWindow> listed = title.empty() ? std::vector<ListedWindow>{} : windows();
  const auto chosen = choose_window(
      listed, [&](const ListedWindow& w) { return exact_title_tier(w.title, title); },
      [](const ListedWindow& w) { return w.pid; }, named_);
  return chosen == listed.end() ? 0 : chosen->id;
}

void KWinWindowManager::post_close(WindowId window) {
  // A request, not a guarantee: a window that vanished or a KWin that went away is ignored.
  try {
    run("close", window);
  } catch (const Error&) {
  }
}

WindowId KWinWindowManager::activate(std::string_view title) {
  const std::vector<ListedWindow> listed = title.empty() ? std::vector<ListedWindow>{} : windows();
  const auto chosen = choose_window(
      listed, [&](const ListedWindow& w) { return activation_title_tier(w.title, title); },
      [](const ListedWindow& w) { return w.pid; }, named_);
  // A window that closed between the list and the request is no match either.
  if (chosen == listed.end() || !chosen_window(run("activate", chosen->id).window))
    throw no_window_to_activate(title);
  return chosen->id;
}

WindowId KWinWindowManager::foreground_window() {
  const Report r = run("foreground");
  impl_->confirmed = chosen_window(r.active) ? id_of(r.active) : 0;
  return impl_->confirmed;
}

void KWinWindowManager::set_topmost(WindowId window, bool topmost) {
  if (window == 0)
    return;
  try {
    // An X11 id KWin does not tell (KWin 6) can only be one of TAMBREL's own windows: the
    // keeper lifts nothing else.
    if (!chosen_window(run("keep_above", window, topmost).window) && topmost &&
        !(window & kNativeWindowTag) && chosen_window(run("keep_own_above", 0, true).window))
      impl_->own_x11 = window;
  } catch (const Error&) {
  }
}

bool KWinWindowManager::close_confirmed() {
  return impl_->confirmed != 0 && chosen_window(run("close", impl_->confirmed).window);
}

}  // namespace tambrel::wayland
