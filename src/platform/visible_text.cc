#include "platform/visible_text.h"

#include <cstdint>
#include <cstdio>

namespace tambrel {

namespace {

/// Code points that act on how a terminal or a log viewer shows what follows: the C1 controls
/// (NEL, CSI, ...), the line and paragraph separators, and the bidirectional embeddings,
/// overrides and isolates, which can make a title read backwards.
bool acts_on_display(std::uint32_t code) {
  return (code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
         (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

/// The length of the well-formed UTF-8 sequence at the start of `text` and its code point, or 0
/// when it is none.
std::size_t utf8_sequence(std::string_view text, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || text.size() < length || lead > 0xF4)
    return 0;
  code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80)
      return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

std::string visible_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    char escape[16];
    std::uint32_t code = 0;
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\0') {
      out += "\\0";
    } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F)) {
      // A C0 control, or a lone byte that an 8-bit terminal would take for a C1 control.
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else if (const std::size_t length = byte >= 0xC0 ? utf8_sequence(text.substr(i), code) : 0;
               length > 0) {
      if (acts_on_display(code)) {
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
        out += escape;
      } else {
        out.append(text.substr(i, length));
      }
      i += length - 1;
    } else {
      out += c;
    }
  }
  return out;
}

std::string quoted_visible(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\')
      out += '\\';
    out += c;
  }
  return visible_text(out) + '"';
}

}  // namespace tambrel
