#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tambrel::qt {

/// Settings in an INI file per section,
/// ${XDG_CONFIG_HOME:-~/.config}/MERIDOX-TAMBREL/<section>.ini, keys at the top level. Every call
/// opens the file afresh; every write is synced to disk (atomically, through a temporary file)
/// before it returns. Once a write to a file has failed, every later read or write of that file
/// in this process throws without opening it, so the refused write can never reach it later.
class QSettingsStore : public SettingsStore {
 public:
  /// Throws Error naming the key and the file when the file exists but cannot be read or parsed,
  /// or when a write to it failed earlier in this process.
  std::optional<std::string> read(std::string_view section, std::string_view key) override;
  /// Throws Error naming the key and the file when the write fails or one failed before.
  void write(std::string_view section, std::string_view key, std::string_view value) override;
  /// The path of the section's INI file (which need not exist yet), the one QSettings opens;
  /// found without opening anything.
  std::string location(std::string_view section) const override;
};

}  // namespace tambrel::qt
