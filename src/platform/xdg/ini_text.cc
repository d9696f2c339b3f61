#include "platform/xdg/ini_text.h"

#include <cstdint>
#include <vector>

namespace tambrel::xdg {

namespace {

constexpr std::string_view kGeneral = "General";
/// What some editors put first in a UTF-8 file: no part of the first line's key.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::size_t text_start(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back()))
    s.remove_suffix(1);
  return s;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

/// One line of the file: where it is, and what it is.
struct Line {
  enum Kind { kOther, kGroup, kKey } kind = kOther;
  std::size_t begin = 0;   // first character
  std::size_t end = 0;     // after its text, before "\r\n" or "\n"
  std::size_t next = 0;    // the next line's first character
  bool general = false;    // above every group or in a [General] group
  std::string_view key;    // for kKey
  std::string_view value;  // for kKey, as written
};

std::vector<Line> lines_of(std::string_view text) {
  std::vector<Line> lines;
  bool general = true;
  for (std::size_t at = text_start(text); at < text.size();) {
    Line line;
    line.begin = at;
    const auto newline = text.find('\n', at);
    line.next = newline == std::string_view::npos ? text.size() : newline + 1;
    line.end = newline == std::string_view::npos ? text.size() : newline;
    if (line.end > line.begin && text[line.end - 1] == '\r')
      --line.end;
    at = line.next;
    const std::string_view body = trimmed(text.substr(line.begin, line.end - line.begin));
    if (!body.empty() && body.front() == '[') {
      const auto close = body.find(']');
      general = close != std::string_view::npos && body.substr(1, close - 1) == kGeneral;
      line.kind = Line::kGroup;
    } else if (!body.empty() && body.front() != ';' && body.front() != '#') {
      const auto eq = body.find('=');
      if (eq != std::string_view::npos) {
        line.kind = Line::kKey;
        line.key = trimmed(body.substr(0, eq));
        line.value = trimmed(body.substr(eq + 1));
      }
    }
    line.general = general;
    lines.push_back(line);
  }
  return lines;
}

const Line* last_with_key(const std::vector<Line>& lines, std::string_view key) {
  const Line* found = nullptr;
  for (const Line& line : lines) {
    if (line.general && line.kind == Line::kKey && line.key == key)
      found = &line;
  }
  return found;
}

}  // namespace

std::optional<std::string> ini_value(std::string_view text, std::string_view key) {
  const std::vector<Line> lines = lines_of(text);
  if (const Line* line = last_with_key(lines, key))
    return ini_unescaped(line->value);
  return std::nullopt;
}

std::string ini_with_value(std::string_view text, std::string_view key, std::string_view value) {
  const std::string entry = std::string(key) + '=' + ini_escaped(value);
  const std::vector<Line> lines = lines_of(text);
  if (const Line* line = last_with_key(lines, key)) {
    return std::string(text.substr(0, line->begin)) + entry + std::string(text.substr(line->end));
  }
  // After the last key of the [General] group, else after its header, else after the keys above
  // every group; a file without any of these gets the group first.
  const Line* group_end = nullptr;  // the last key or header of the last [General] group
  const Line* top_end = nullptr;    // the last key above every group
  bool top = true;
  bool other_groups = false;
  for (const Line& line : lines) {
    if (line.kind == Line::kGroup) {
      top = false;
      if (line.general)
        group_end = &line;
      else
        other_groups = true;
    } else if (line.kind == Line::kKey && line.general) {
      (top ? top_end : group_end) = &line;
    }
  }
  const Line* after = group_end ? group_end : top_end;
  if (after == nullptr) {
    if (other_groups) {
      const std::size_t start = text_start(text);
      return std::string(text.substr(0, start)) + "[General]\n" + entry + "\n\n" +
             std::string(text.substr(start));
    }
    std::string out(text);
    if (!out.empty() && out.back() != '\n')
      out += '\n';
    return out + "[General]\n" + entry + '\n';
  }
  // The new line ends as the one before it does.
  const std::string_view line_end = text.substr(after->end, 1) == "\r" ? "\r\n" : "\n";
  std::string out(text.substr(0, after->next));
  if (after->next == after->end)  // the last line, without a line end
    out += line_end;
  return out + entry + std::string(line_end) + std::string(text.substr(after->next));
}

std::string ini_escaped(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  bool hex_escape_before = false;  // a hex digit right after \xHH would be read as part of it
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    const bool escape_as_hex =
        byte < 0x20 || byte == 0x7F || (hex_escape_before && hex_digit(c) >= 0);
    hex_escape_before = false;
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (escape_as_hex) {
      constexpr char kDigits[] = "0123456789abcdef";
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
      hex_escape_before = true;
    } else {
      out += c;
    }
  }
  if (!value.empty() && (value.front() == ' ' || value.back() == ' '))
    return '"' + out + '"';
  return out;
}

std::string ini_unescaped(std::string_view written) {
  if (written.size() >= 2 && written.front() == '"' && written.back() == '"')
    written = written.substr(1, written.size() - 2);
  std::string out;
  out.reserve(written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const char c = written[i];
    if (c != '\\' || i + 1 == written.size()) {
      out += c;
      continue;
    }
    const char e = written[i + 1];
    const char* simple = nullptr;
    switch (e) {
      case '\\':
        simple = "\\";
        break;
      case '"':
        simple = "\"";
        break;
      case 'n':
        simple = "\n";
        break;
      case 'r':
        simple = "\r";
        break;
      case 't':
        simple = "\t";
        break;
      case 'a':
        simple = "\a";
        break;
      case 'b':
        simple = "\b";
        break;
      case 'f':
        simple = "\f";
        break;
      case 'v':
        simple = "\v";
        break;
      default:
        break;
    }
    if (simple) {
      out += simple;
      ++i;
      continue;
    }
    if (e >= '0' && e <= '7') {  // octal, up to three digits
      std::uint32_t code = 0;
      std::size_t j = i + 1;
      for (; j < written.size() && j < i + 4 && written[j] >= '0' && written[j] <= '7'; ++j)
        code = code * 8 + static_cast<std::uint32_t>(written[j] - '0');
      append_utf8(out, code);
      i = j - 1;
      continue;
    }
    if (e == 'x') {  // hex, as many digits as follow (up to six)
      std::uint32_t code = 0;
      std::size_t j = i + 2;
      for (; j < written.size() && j < i + 8 && hex_digit(written[j]) >= 0; ++j)
        code = code * 16 + static_cast<std::uint32_t>(hex_digit(written[j]));
      if (j > i + 2 && code <= 0x10FFFF) {
        append_utf8(out, code);
        i = j - 1;
        continue;
      }
    }
    out += c;  // not an escape: the backslash is text
  }
  return out;
}

}  // namespace tambrel::xdg
