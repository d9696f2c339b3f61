// The process name is typed by the user and goes into a WMI query: whatever it holds, the query
// asks for that name and nothing else.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/win32/wql.h"

namespace {

/// Characters no Windows file name can hold, written from the file-name rules.
bool holds_forbidden_character(std::string_view name) {
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || std::string_view("\\/:*?\"<>|").find(ch) != std::string_view::npos)
      return true;
  }
  return false;
}

void check_query(std::string_view prefix, const std::optional<std::string>& query,
                 std::string_view name) {
  FUZZ_CHECK(query.has_value() == !holds_forbidden_character(name),
             "nothing is asked exactly for impossible names");
  if (!query)
    return;
  const std::string& q = *query;
  FUZZ_CHECK(q.starts_with(prefix), "the fixed prefix comes first");
  std::string_view rest = std::string_view(q).substr(prefix.size());
  FUZZ_CHECK(rest.size() == name.size() + 2, "the name plus its two quotes follow the prefix");
  const char quote = rest.front();
  FUZZ_CHECK(quote == '\'' || quote == '"', "a WQL string literal opens");
  // In WQL the backslash escapes inside a literal; with none in the name, the literal ends at
  // the first quote of its kind after the opening one, and that must be the last character.
  FUZZ_CHECK(rest.find('\\') == std::string_view::npos, "no escape character reaches WQL");
  const auto close = rest.find(quote, 1);
  FUZZ_CHECK(close == rest.size() - 1, "nothing follows the closing quote");
  FUZZ_CHECK(rest.substr(1, rest.size() - 2) == name, "the literal is the name, unchanged");
  FUZZ_CHECK(name.find('\'') == std::string_view::npos || quote == '"',
             "an apostrophe is quoted by double quotes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tambrel::win32;
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(impossible_image_name(name) == holds_forbidden_character(name),
             "the impossible names are those with a forbidden character");
  check_query("SELECT Name FROM Win32_Process WHERE Name=", is_running_query(name), name);
  check_query("Select Name from Win32_Process Where Name = ", terminate_query(name), name);
  return 0;
}
