#include "platform/wayland/kwin_script.h"

namespace tambrel::wayland {

namespace {

// KWin 6 renamed the workspace's window list and active window; the objects themselves kept the
// properties used here.
constexpr const char* kBody = R"js(
var six = typeof workspace.windowList === "function";
function active() { return six ? workspace.activeWindow : workspace.activeClient; }
function describe(w) {
  if (!w) return null;
  return {x11: w.windowId || 0, uuid: w.internalId.toString(), caption: w.caption || "",
          pid: w.pid > 0 ? w.pid : 0, stacking: w.stackingOrder || 0};
}
function listed() {
  var all = six ? workspace.windowList() : workspace.clientList();
  var out = [];
  for (var i = 0; i < all.length; ++i)
    if (!all[i].deleted && !all[i].popupWindow) out.push(all[i]);
  return out;
}
function byId(target) {
  var all = listed();
  for (var i = 0; i < all.length; ++i) {
    var w = all[i];
    if (target.uuid ? w.internalId.toString() === target.uuid : (w.windowId || 0) === target.x11)
      return w;
  }
  return null;
}
var report = {};
var chosen = null;
if (request.op === "list") {
  report.windows = listed().map(describe);
} else if (request.op === "activate") {
  chosen = byId(request.target);
  if (chosen) {
    if (six) workspace.activeWindow = chosen; else workspace.activeClient = chosen;
  }
} else if (request.op === "close") {
  chosen = byId(request.target);
  if (chosen) chosen.closeWindow();
} else if (request.op === "keep_above") {
  chosen = byId(request.target);
  if (chosen) chosen.keepAbove = request.above;
} else if (request.op === "keep_own_above") {
  // KWin 6 tells scripts no X11 window id: the caller's own windows are found by its pid.
  var all = listed();
  for (var i = 0; i < all.length; ++i) {
    if (all[i].pid === request.pid) {
      all[i].keepAbove = request.above;
      if (!chosen) chosen = all[i];
    }
  }
}
report.window = describe(chosen);
report.active = describe(active());
callDBus(request.service, request.path, request.interface, "reply", request.token,
         JSON.stringify(report));
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
