#include "platform/win32/registry_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

namespace {

std::wstring subkey(std::string_view section) {
  return L"Software\\" + to_wide(kSettingsApplication) + L"\\" + to_wide(section);
}

/// An open registry key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_)
      RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &handle_; }
  HKEY get() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

const char* type_name(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
      return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK:
      return "REG_LINK";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default:
      return "an unknown registry type";
  }
}

/// A value of another type as a message shows it: a number as a number, strings as text, other
/// data as its first bytes in hex.
std::string shown_value(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  size = std::min<DWORD>(size, static_cast<DWORD>(data.size()));
  if (type == REG_DWORD && size >= sizeof(DWORD)) {
    DWORD number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return std::to_string(number);
  }
  if (type == REG_QWORD && size >= sizeof(std::uint64_t)) {
    std::uint64_t number = 0;
    std::memcpy(&number, data.data(), sizeof number);
    return std::to_string(number);
  }
  if (type == REG_MULTI_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
      text.pop_back();
    std::string shown;
    for (std::size_t at = 0; at <= text.size();) {
      const std::size_t end = std::min(text.find(L'\0', at), text.size());
      shown += (shown.empty() ? "\"" : " \"") + to_utf8(text.substr(at, end - at)) + "\"";
      at = end + 1;
    }
    return shown;
  }
  constexpr DWORD kShown = 16;
  std::string hex = size == 0 ? "no data" : "hex";
  for (DWORD i = 0; i < std::min(size, kShown); ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, " %02x", data[i]);
    hex += digits;
  }
  return size > kShown ? hex + " ... (" + std::to_string(size) + " bytes)" : hex;
}

}  // namespace

std::optional<std::string> RegistryStore::read(std::string_view section, std::string_view key) {
  Key opened;
  LSTATUS status =
      RegOpenKeyExW(HKEY_CURRENT_USER, subkey(section).c_str(), 0, KEY_QUERY_VALUE, opened.out());
  if (status == ERROR_FILE_NOT_FOUND)
    return std::nullopt;
  if (status != ERROR_SUCCESS) {
    throw Error("RegOpenKeyExW failed for the setting \"" + std::string(key) + "\" at " +
                location(section) + ": " + error_text(status));
  }
  const std::wstring name = to_wide(key);
  // The value can change size between the size query and the read: ask again until it fits.
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  DWORD size = 0;
  status = RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, nullptr, &size);
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    // Room for a terminating NUL that the stored data may lack.
    data.assign(size + sizeof(wchar_t), 0);
    size = static_cast<DWORD>(data.size());
    status = RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS)
      break;
  }
  if (status == ERROR_FILE_NOT_FOUND)
    return std::nullopt;
  if (status != ERROR_SUCCESS) {
    throw Error("RegQueryValueExW failed for the setting \"" + std::string(key) + "\" at " +
                location(section) + ": " + error_text(status));
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    throw Error("The setting \"" + std::string(key) + "\" at " + location(section) + " holds " +
                shown_value(type, data, size) + ", stored as " + type_name(type) +
                ", not as text (REG_SZ)");
  }
  // An odd trailing byte cannot be part of a UTF-16 character; the terminating NUL(s) are not
  // part of the text, and a value stored without one simply ends where its data ends.
  std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0')
    text.remove_suffix(1);
  return to_utf8(text);
}

void RegistryStore::write(std::string_view section, std::string_view key, std::string_view value) {
  Key created;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, subkey(section).c_str(), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_QUERY_VALUE,
                                   nullptr, created.out(), nullptr);
  if (status != ERROR_SUCCESS) {
    throw Error("RegCreateKeyExW failed for the setting \"" + std::string(key) + "\" at " +
                location(section) + ": " + error_text(status));
  }
  const std::wstring text = to_wide(value);
  const auto bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) {
    throw Error("RegSetValueExW failed for the setting \"" + std::string(key) + "\" at " +
                location(section) + ": the text is too long");
  }
  // A value keeps the type it was found in: one that another program stored as REG_EXPAND_SZ
  // stays one.
  const std::wstring name = to_wide(key);
  DWORD found_type = REG_NONE;
  const bool expand = RegQueryValueExW(created.get(), name.c_str(), nullptr, &found_type, nullptr,
                                       nullptr) == ERROR_SUCCESS &&
                      found_type == REG_EXPAND_SZ;
  // The value goes to the registry at once and every process sees it; the system writes the hive
  // to disk itself, so no RegFlushKey (which would stall the exit for every key saved).
  status = RegSetValueExW(created.get(), name.c_str(), 0, expand ? REG_EXPAND_SZ : REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
  if (status != ERROR_SUCCESS) {
    throw Error("RegSetValueExW failed for the setting \"" + std::string(key) + "\" at " +
                location(section) + ": " + error_text(status));
  }
}

std::string RegistryStore::location(std::string_view section) const {
  return "HKEY_CURRENT_USER\\Software\\" + std::string(kSettingsApplication) + "\\" +
         std::string(section);
}

}  // namespace tambrel::win32
