#pragma once

#include <string>

namespace tambrel::wayland {

/// The KWin script that carries out one request. `request_json` is a JSON object:
///   {"op": "list"|"foreground"|"activate"|"close"|"keep_above"|"keep_own_above",
///    "target": {"x11": N, "uuid": "{...}"},   (activate, close, keep_above)
///    "above": true|false, "pid": N,           (keep_above; keep_own_above: the caller's windows)
///    "service": ":1.42", "path": "/...", "interface": "...", "token": "..."}   (the reply's way)
/// A script never sees a title: it lists the windows or acts on the one window id it is given,
/// and TAMBREL matches titles itself. It answers by calling `reply(token, json)` on that object;
/// json is {"windows": [window...] (list only), "window": window or null (the one acted on),
/// "active": window or null}, each window {"x11", "uuid", "caption", "pid", "stacking"}.
/// The script runs on KWin 5.27 (workspace.clientList, activeClient) and 6
/// (workspace.windowList, activeWindow) alike. The request enters it as a JSON literal, with
/// every character that could end the literal or the line escaped.
std::string kwin_script(const std::string& request_json);

/// Escapes `json` (a serialized JSON value) so that it is also a valid script literal: the
/// line and paragraph separators U+2028 and U+2029 become \u escapes.
std::string script_literal(const std::string& json);

inline constexpr const char* kKWinReplyInterface = "org.meridox.Tambrel.KWinReply";
inline constexpr const char* kKWinReplyPath = "/Tambrel";

}  // namespace tambrel::wayland
