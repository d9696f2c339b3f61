#include "platform/wayland/i3_window_manager.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <map>
#include <utility>

#include "platform/error.h"
#include "platform/visible_text.h"
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
                   node.value("name").toString().toStdString(), node.value("focused").toBool(),
                   static_cast<std::uint32_t>(node.value("pid").toInteger(0))});
    return;
  }
  // Children in the order they last had the focus ("focus" lists their ids, most recent first;
  // the tree has no stacking order), then any it does not list, in tree order.
  std::vector<QJsonObject> children;
  for (const char* kind : {"nodes", "floating_nodes"}) {
    for (const QJsonValue child : node.value(kind).toArray())
      children.push_back(child.toObject());
  }
  std::map<std::int64_t, qsizetype> focus_rank;
  const QJsonArray focus = node.value("focus").toArray();
  for (qsizetype i = 0; i < focus.size(); ++i)
    focus_rank.try_emplace(focus[i].toInteger(), i);
  const auto rank = [&](const QJsonObject& child) {
    const auto at = focus_rank.find(child.value("id").toInteger());
    return at == focus_rank.end() ? focus.size() : at->second;
  };
  std::stable_sort(children.begin(), children.end(),
                   [&](const QJsonObject& a, const QJsonObject& b) { return rank(a) < rank(b); });
  for (const QJsonObject& child : children)
    collect(child, out);
}

}  // namespace

I3WindowManager::I3WindowManager(I3Ipc ipc, std::string desktop)
    : ipc_(std::move(ipc)), desktop_(std::move(desktop)) {}

std::vector<I3WindowManager::Window> I3WindowManager::tree_windows() {
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

std::vector<ListedWindow> I3WindowManager::windows() {
  std::vector<ListedWindow> out;
  for (Window& w : tree_windows())
    out.push_back({w.id, std::move(w.title), w.pid});
  return out;
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
  for (const Window& w : tree_windows()) {
    if (w.id == window)
      return w.con_id;
  }
  return 0;
}

WindowId I3WindowManager::find_window(std::string_view title) {
  const std::vector<Window> all = tree_windows();
  const auto chosen = choose_window(
      all, [&](const Window& w) { return exact_title_tier(w.title, title); },
      [](const Window& w) { return w.pid; }, named_);
  return chosen == all.end() ? 0 : chosen->id;
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
  const std::vector<Window> all = tree_windows();
  const auto chosen = choose_window(
      all, [&](const Window& w) { return activation_title_tier(w.title, title); },
      [](const Window& w) { return w.pid; }, named_);
  if (chosen == all.end()) {
    throw no_window_to_activate(title);
  }
  const std::string refused = run("[con_id=" + std::to_string(chosen->con_id) + "] focus");
  if (!refused.empty()) {
    throw Error("Activating a window failed: " + desktop_ + " refused to focus " +
                quoted_visible(chosen->title) + ": " + refused);
  }
  return chosen->id;
}

WindowId I3WindowManager::foreground_window() {
  confirmed_ = 0;
  for (const Window& w : tree_windows()) {
    if (w.focused)
      confirmed_ = w.id;
  }
  return confirmed_;
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

bool I3WindowManager::close_confirmed() {
  const std::int64_t con = confirmed_ != 0 ? con_id_of(confirmed_) : 0;
  if (con != 0)
    run("[con_id=" + std::to_string(con) + "] kill");
  return con != 0;
}

}  // namespace tambrel::wayland
