#include "platform/win32/utf.h"

#include <windows.h>

#include <climits>

#include "platform/error.h"

namespace tambrel::win32 {

namespace {

int checked_length(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX))
    throw Error("text too long to convert");
  return static_cast<int>(size);
}

}  // namespace

std::wstring to_wide(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int in = checked_length(utf8.size());
  // No MB_ERR_INVALID_CHARS: a stray byte becomes U+FFFD instead of failing the whole call.
  const int out = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(out), L'\0');
  if (out > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, wide.data(), out);
  return wide;
}

std::string to_utf8(std::wstring_view utf16) {
  if (utf16.empty())
    return {};
  const int in = checked_length(utf16.size());
  const int out = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(out), '\0');
  if (out > 0) {
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, narrow.data(), out, nullptr, nullptr);
  }
  return narrow;
}

}  // namespace tambrel::win32
