#pragma once

#include <string>

#include "platform/settings_store.h"

namespace tambrel::win32 {

/// Settings in the registry: HKEY_CURRENT_USER\Software\MERIDOX-TAMBREL\<section>, one REG_SZ
/// value per key. REG_SZ and REG_EXPAND_SZ values are read as text (environment references are
/// not expanded), and a value is written back in the type it was found in. A value of any other
/// type (REG_DWORD, REG_BINARY, ...) is not a setting this program wrote, so reading it throws
/// Error naming the key, the value, its type and the registry path, which stops the start with a
/// message telling the user what to mend.
///
/// Text goes back exactly as it was read, an unpaired UTF-16 surrogate included (utf.h).
class RegistryStore : public SettingsStore {
 public:
  std::optional<std::string> read(std::string_view section, std::string_view key) override;
  void write(std::string_view section, std::string_view key, std::string_view value) override;
  std::string location(std::string_view section) const override;
};

}  // namespace tambrel::win32
