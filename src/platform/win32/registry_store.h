#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"

namespace tambrel::win32 {

/// Settings in the registry: HKEY_CURRENT_USER\Software\MERIDOX-TAMBREL\<section>, one REG_SZ
/// value per key. REG_SZ and REG_EXPAND_SZ values are read as text (environment references are
/// not expanded), and a value is written back in the type it was found in. A value of any other
/// type (REG_DWORD, REG_BINARY, ...) is not a setting this program wrote, so reading it throws
/// Error naming the key, the value, its type and the registry path, which stops the start with a
/// message telling the user what to mend.
///
/// Text goes back exactly as it was read: a value that UTF-8 cannot carry (an unpaired UTF-16
/// surrogate, shown as U+FFFD) is remembered as read, and writing the same text back writes the
/// original UTF-16.
class RegistryStore : public SettingsStore {
 public:
  std::optional<std::string> read(std::string_view section, std::string_view key) override;
  void write(std::string_view section, std::string_view key, std::string_view value) override;
  std::string location(std::string_view section) const override;

 private:
  struct AsRead {
    std::string text;
    std::wstring original;
  };
  /// By section and key: values whose UTF-8 text lost something of their UTF-16 original.
  std::map<std::pair<std::string, std::string>, AsRead, std::less<>> lossy_reads_;
};

}  // namespace tambrel::win32
