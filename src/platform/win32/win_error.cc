#include "platform/win32/win_error.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/utf.h"

namespace tambrel::win32 {

std::string error_text(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer)
    LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty())
    return "error " + std::to_string(code);
  return to_utf8(text);
}

std::string hresult_text(std::int32_t hr) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX",
                static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
  return buffer;
}

}  // namespace tambrel::win32
