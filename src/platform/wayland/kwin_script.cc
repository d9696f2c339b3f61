#include "platform/wayland/kwin_script.h"

namespace tambrel::wayland {

namespace {

// Exact caption for find and close, exact-then-prefix for activate, as on every desktop.
constexpr const char* kBody = R"js(
function describe(c) {
  if (!c) return null;
  return {x11: c.windowId || 0, uuid: c.internalId.toString(), caption: c.caption};
}
function matches(c, target) {
  if (target.uuid) return c.internalId.toString() === target.uuid;
  return (c.windowId || 0) === target.x11;
}
function first(clients, accept) {
  for (var i = 0; i < clients.length; ++i)
    if (accept(clients[i])) return clients[i];
  return null;
}
var clients = workspace.clientList();
var chosen = null;
if (request.op === "find") {
  chosen = request.title === "" ? null
      : first(clients, function (c) { return c.caption === request.title; });
} else if (request.op === "activate") {
  if (request.title !== "") {
    chosen = first(clients, function (c) { return c.caption === request.title; });
    if (!chosen)
      chosen = first(clients, function (c) { return c.caption.indexOf(request.title) === 0; });
  }
  if (chosen) workspace.activeClient = chosen;
} else if (request.op === "close") {
  chosen = first(clients, function (c) { return matches(c, request.target); });
  if (chosen) chosen.closeWindow();
} else if (request.op === "keep_above") {
  chosen = first(clients, function (c) { return matches(c, request.target); });
  if (chosen) chosen.keepAbove = request.above;
} else if (request.op === "close_active") {
  chosen = workspace.activeClient;
  if (chosen) chosen.closeWindow();
}
callDBus(request.service, request.path, request.interface, "reply", request.token,
         JSON.stringify({window: describe(chosen), active: describe(workspace.activeClient)}));
)js";

}  // namespace

std::string script_literal(const std::string& json) {
  std::string out;
  out.reserve(json.size());
  for (std::size_t i = 0; i < json.size(); ++i) {
    // U+2028 / U+2029 in UTF-8: E2 80 A8 / E2 80 A9. JSON allows them raw; older script
    // engines end a line there.
    if (i + 2 < json.size() && json[i] == '\xE2' && json[i + 1] == '\x80' &&
        (json[i + 2] == '\xA8' || json[i + 2] == '\xA9')) {
      out += json[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
      continue;
    }
    out += json[i];
  }
  return out;
}

std::string kwin_script(const std::string& request_json) {
  return "var request = " + script_literal(request_json) + ";\n" + kBody;
}

}  // namespace tambrel::wayland
