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

bool is_high_surrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool is_low_surrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

void append_wide(std::wstring& wide, std::string_view utf8) {
  if (utf8.empty())
    return;
  const int in = checked_length(utf8.size());
  // No MB_ERR_INVALID_CHARS: a stray byte becomes U+FFFD instead of failing the whole call.
  const int out = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, nullptr, 0);
  if (out <= 0)
    return;
  const std::size_t at = wide.size();
  wide.resize(at + static_cast<std::size_t>(out));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in, wide.data() + at, out);
}

void append_utf8(std::string& narrow, std::wstring_view utf16) {
  if (utf16.empty())
    return;
  const int in = checked_length(utf16.size());
  const int out = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, nullptr, 0, nullptr, nullptr);
  if (out <= 0)
    return;
  const std::size_t at = narrow.size();
  narrow.resize(at + static_cast<std::size_t>(out));
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), in, narrow.data() + at, out, nullptr, nullptr);
}

}  // namespace

std::wstring to_wide(std::string_view utf8) {
  std::wstring wide;
  std::size_t from = 0;
  // 0xED only ever leads a sequence; the system's converter would replace these three bytes.
  for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const auto second = static_cast<unsigned char>(utf8[i + 1]);
    const auto third = static_cast<unsigned char>(utf8[i + 2]);
    if (lead == 0xED && second >= 0xA0 && second <= 0xBF && (third & 0xC0) == 0x80) {
      append_wide(wide, utf8.substr(from, i - from));
      wide += static_cast<wchar_t>(0xD000 | ((second & 0x3F) << 6) | (third & 0x3F));
      i += 2;
      from = i + 1;
    }
  }
  append_wide(wide, utf8.substr(from));
  return wide;
}

std::string to_utf8(std::wstring_view utf16) {
  std::string narrow;
  std::size_t from = 0;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const wchar_t c = utf16[i];
    if (is_high_surrogate(c) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
      ++i;  // a pair: the system converts it
    } else if (is_high_surrogate(c) || is_low_surrogate(c)) {
      append_utf8(narrow, utf16.substr(from, i - from));
      narrow += static_cast<char>(0xE0 | (c >> 12));
      narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
      from = i + 1;
    }
  }
  append_utf8(narrow, utf16.substr(from));
  return narrow;
}

}  // namespace tambrel::win32
