#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tambrel::xdg {

/// Settings in a plain INI file per section, <config home>/MERIDOX-TAMBREL/<section>.ini, keys in
/// its [General] group (see ini_text.h). Every call opens the file afresh and reads only that
/// file. A write replaces the file only once the new content is wholly on disk: it goes to a
/// temporary file beside it, every write, the flush to disk and the close checked, and is then
/// renamed over the old one. A failed write leaves the old file byte for byte.
class IniFileStore : public SettingsStore {
 public:
  /// Keeps its files below `config_home`; by default the XDG configuration home.
  explicit IniFileStore(std::string config_home = default_config_home());

  /// Throws Error naming the call that failed, the reason, the key and the file when the file
  /// exists but cannot be read.
  std::optional<std::string> read(std::string_view section, std::string_view key) override;
  /// Throws Error naming the call that failed, the reason, the key and the file; the file is then
  /// as it was.
  void write(std::string_view section, std::string_view key, std::string_view value) override;
  /// The path of the section's file, which need not exist.
  std::string location(std::string_view section) const override;

  /// ${XDG_CONFIG_HOME:-~/.config}, a relative XDG_CONFIG_HOME ignored.
  static std::string default_config_home();

 private:
  std::string config_home_;
};

}  // namespace tambrel::xdg
