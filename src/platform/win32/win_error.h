#pragma once

#include <cstdint>
#include <string>

namespace tambrel::win32 {

/// The system's text for a Win32 error code (GetLastError, LSTATUS), without the trailing line
/// break, e.g. "Access is denied."; "error N" when the system has no text for it.
std::string error_text(std::uint32_t code);

/// An HRESULT as WMI and COM documentation print it: "0x8004100C".
std::string hresult_text(std::int32_t hr);

}  // namespace tambrel::win32
