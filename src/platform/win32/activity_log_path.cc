#include "platform/win32/activity_log_path.h"

#include <windows.h>

#include <string>

#include "platform/settings_store.h"
#include "platform/win32/utf.h"

namespace tambrel::win32 {

std::filesystem::path activity_log_path(std::string_view section) {
  std::wstring base(MAX_PATH, L'\0');
  DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
  if (n >= base.size()) {
    base.resize(n);
    n = GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
  }
  if (n == 0 || n >= base.size())
    return {};
  base.resize(n);
  const std::filesystem::path folder(base);
  if (!folder.is_absolute())
    return {};
  return folder / to_wide(kSettingsApplication) / (to_wide(section) + L".log");
}

}  // namespace tambrel::win32
