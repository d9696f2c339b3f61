#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tambrel {

/// Typed access to one section of the settings store, by the keys of kSettingKeys. Every call
/// goes straight to the store; nothing is cached.
class Settings {
 public:
  Settings(SettingsStore& store, std::string section)
      : store_(store), section_(std::move(section)) {}

  const std::string& section() const { return section_; }

  /// The geometry stored under `key`, or its default. Throws Error naming the key, the stored text
  /// and the store's location when the text is not a number.
  float restore_geometry(std::string_view key);
  /// The check box state stored under `key`, or its default; throws Error like restore_geometry.
  std::int16_t restore_tick_state(std::string_view key);
  /// The text stored under `key`, or the empty text.
  std::string restore_text(std::string_view key);

  void save_geometry(std::string_view key, float twips);
  void save_tick_state(std::string_view key, std::int16_t value);
  void save_text(std::string_view key, std::string_view text);

 private:
  std::string read(std::string_view key);
  [[noreturn]] void fail(std::string_view key, std::string_view text, std::string_view why);

  SettingsStore& store_;
  std::string section_;
};

}  // namespace tambrel
