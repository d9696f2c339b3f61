#include "platform/wayland/i3_window_manager.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <utility>

#include "platform/error.h"
#include "platform/wayland/window_ids.h"

namespace tambrel::wayland {

namespace {

bool is_window(const QJsonObject& node) {
  const QString type = node.value("type").toString();
  return (type == "con" || type == "floating_con") && node.value("name").isString() &&
         node.value("nodes").toArray().isEmpty() &&
         node.value("floating_nodes").toArray().isEmpty();
}

void collect(const QJsonObject& node, std::vector<I3WindowManager::Window>& out) {
  if (is_window(node)) {
    const std::int64_t con_id = node.value("id").toInteger();
    // "window" is the X11 id of an XWayland (or i3) window, null or absent otherwise.
    const auto x11 = static_cast<std::uint64_t>(node.value("window").toInteger(0));
    out.push_back({window_id(static_cast<std::uint64_t>(con_id), x11), con_id,
                   node.value("name").toString().toStdString(), node.value("focused").toBool()});
    return;
  }
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue child : node.value(children).toArray())
      collect(child.toObject(), out);
  }
}

}  // namespace

I3WindowManager::I3WindowManager(I3Ipc ipc, std::string desktop)
    : ipc_(std::move(ipc)), desktop_(std::move(desktop)) {}

std::vector<I3WindowManager::Window> I3WindowManager::windows() {
  const std::string reply = ipc_.request(I3Message::get_tree, "");
  QJsonParseError error{};
  const QJsonDocument tree = QJsonDocument::fromJson(
      QByteArray(reply.data(), static_cast<qsizetype>(reply.size())), &error);
  if (!tree.isObject()) {
    throw Error("GET_TREE from " + desktop_ + " failed: the reply is not a window tree (" +
                error.errorString().toStdString() + ")");
  }
  std::vector<Window> result;
  collect(tree.object(), result);
  return result;
}

std::string I3WindowManager::run(const std::string& command) {
  const std::string reply = ipc_.request(I3Message::run_command, command);
  const QJsonDocument outcome =
      QJsonDocument::fromJson(QByteArray(reply.data(), static_cast<qsizetype>(reply.size())));
  if (!outcome.isArray())
    return "the reply is not a command outcome";
  for (const QJsonValue each : outcome.array()) {
    const QJsonObject result = each.toObject();
    if (!result.value("success").toBool()) {
      const QString why = result.value("error").toString();
      return why.isEmpty() ? std::string("refused") : why.toStdString();
    }
  }
  return {};
}

std::int64_t I3WindowManager::con_id_of(WindowId window) {
  for (const Window& w : windows()) {
    if (w.id == window)
      return w.con_id;
  }
  return 0;
}

WindowId I3WindowManager::find_window(std::string_view title) {
  if (title.empty())
    return 0;
  for (const Window& w : windows()) {
    if (w.title == title)
      return w.id;
  }
  return 0;
}

void I3WindowManager::post_close(WindowId window) {
  // A request, not a guarantee: a window that vanished or a refusal is ignored, as on X11.
  try {
    if (const std::int64_t con = con_id_of(window))
      run("[con_id=" + std::to_string(con) + "] kill");
  } catch (const Error&) {
  }
}

WindowId I3WindowManager::activate(std::string_view title) {
  const std::vector<Window> all = windows();
  const auto chosen =
      window_to_activate(all, title, [](const Window& w) -> const std::string& { return w.title; });
  if (chosen == all.end()) {
    throw no_window_to_activate(title);
  }
  const std::string refused = run("[con_id=" + std::to_string(chosen->con_id) + "] focus");
  if (!refused.empty()) {
    throw Error("Activating a window failed: " + desktop_ + " refused to focus \"" + chosen->title +
                "\": " + refused);
  }
  return chosen->id;
}

WindowId I3WindowManager::foreground_window() {
  for (const Window& w : windows()) {
    if (w.focused)
      return w.id;
  }
  return 0;
}

void I3WindowManager::set_topmost(WindowId window, bool topmost) {
  // The compositor has no topmost status to take away: "sticky" only shows a floating window on
  // every workspace, and taking it from another program's window would undo the user's choice.
  if (window == 0 || !topmost)
    return;
  try {
    if (const std::int64_t con = con_id_of(window)) {
      const std::string target = "[con_id=" + std::to_string(con) + "] ";
      run(target + "floating enable; " + target + "sticky enable");
    }
  } catch (const Error&) {
  }
}

bool I3WindowManager::close_focused() {
  for (const Window& w : windows()) {
    if (w.focused) {
      run("[con_id=" + std::to_string(w.con_id) + "] kill");
      return true;
    }
  }
  return false;
}

}  // namespace tambrel::wayland
