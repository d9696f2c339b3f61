#pragma once

#include <string>

namespace tambrel::wayland {

/// The KWin script that carries out one request. `request_json` is a JSON object:
///   {"op": "find"|"activate"|"foreground"|"close"|"keep_above"|"close_active",
///    "title": "...",                          (find, activate)
///    "target": {"x11": N, "uuid": "{...}"},   (close, keep_above)
///    "above": true|false,                     (keep_above)
///    "service": ":1.42", "path": "/...", "interface": "...", "token": N}   (where the reply goes)
/// The script answers by calling `reply(token, json)` on that object; json is {"window": {"x11",
/// "uuid", "caption"} or null, "active": {...} or null}. The request enters the script as a JSON
/// literal only, with every character that could end it or the line escaped, so no text of the
/// user's becomes code.
std::string kwin_script(const std::string& request_json);

/// Escapes `json` (a serialized JSON value) so that it is also a valid script literal: the
/// line and paragraph separators U+2028 and U+2029 become \u escapes.
std::string script_literal(const std::string& json);

inline constexpr const char* kKWinReplyInterface = "org.meridox.Tambrel.KWinReply";
inline constexpr const char* kKWinReplyPath = "/Tambrel";

}  // namespace tambrel::wayland
