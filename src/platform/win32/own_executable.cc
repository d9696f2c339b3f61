#include "platform/win32/own_executable.h"

#include <windows.h>

#include "platform/error.h"
#include "platform/exe_name.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

std::string own_executable_path() {
  // Paths can exceed MAX_PATH (long-path aware systems, \\?\ prefixes): grow until it fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      throw Error("GetModuleFileNameW failed: " + error_text(GetLastError()));
    if (length < path.size()) {
      path.resize(length);
      return to_utf8(path);
    }
    if (path.size() > 32768)
      throw Error("GetModuleFileNameW failed: path too long");
    path.resize(path.size() * 2);
  }
}

std::string own_executable_section() {
  return section_from_path(own_executable_path());
}

}  // namespace tambrel::win32
