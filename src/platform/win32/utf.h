#pragma once

#include <string>
#include <string_view>

namespace tambrel::win32 {

// UTF-8 cannot carry an unpaired UTF-16 surrogate, yet a window title, a registry value or a
// file name may hold one. Such a code unit is written as the three bytes the UTF-8 rule gives
// its value (ED A0..BF 80..BF, as WTF-8 does) and read back from them, so that any text of the
// system goes through the program and back exactly as it came, and compares equal to itself.

/// UTF-16 for the W functions. Invalid UTF-8 sequences become U+FFFD; the three bytes of a
/// surrogate become that surrogate.
std::wstring to_wide(std::string_view utf8);

/// UTF-8 from UTF-16; an unpaired surrogate becomes its three bytes.
std::string to_utf8(std::wstring_view utf16);

}  // namespace tambrel::win32
