#include "platform/win32/wql.h"

namespace tambrel::win32 {
namespace {

std::optional<std::string> query(std::string_view prefix_before_quote, std::string_view name) {
  if (impossible_image_name(name))
    return std::nullopt;
  // The name cannot hold a double quote, so a name with an apostrophe is safe inside double
  // quotes, which WQL accepts as a string literal just as well.
  const char quote = name.find('\'') == std::string_view::npos ? '\'' : '"';
  std::string text(prefix_before_quote);
  text += quote;
  text += name;
  text += quote;
  return text;
}

}  // namespace

bool impossible_image_name(std::string_view name) {
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F)
      return true;
    switch (c) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return true;
      default:
        break;
    }
  }
  return false;
}

std::optional<std::string> is_running_query(std::string_view name) {
  return query("SELECT Name FROM Win32_Process WHERE Name=", name);
}

std::optional<std::string> terminate_query(std::string_view name) {
  return query("Select Name from Win32_Process Where Name = ", name);
}

}  // namespace tambrel::win32
