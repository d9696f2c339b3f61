#pragma once

#include <string>
#include <string_view>

namespace tambrel::win32 {

/// UTF-16 for the W functions. Invalid UTF-8 sequences become U+FFFD.
std::wstring to_wide(std::string_view utf8);

/// UTF-8 from UTF-16. Lone surrogates become U+FFFD.
std::string to_utf8(std::wstring_view utf16);

}  // namespace tambrel::win32
