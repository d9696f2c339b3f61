#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tambrel {

/// The name every copy of TAMBREL keeps its settings under.
inline constexpr std::string_view kSettingsApplication = "MERIDOX-TAMBREL";

/// The per-user settings store: (section, key) -> text, under kSettingsApplication.
/// Each call addresses the section afresh; nothing stays open between calls.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  /// The text stored under `key` in `section`, or nullopt when the section or key is absent.
  /// Never creates anything.
  virtual std::optional<std::string> read(std::string_view section, std::string_view key) = 0;
  /// Stores `value` under `key`, creating the section as needed, and makes it durable before
  /// returning. Throws Error naming the key when the store refuses the write.
  virtual void write(std::string_view section, std::string_view key, std::string_view value) = 0;
  /// Where `section` is kept, in terms a user can find it by (a registry path, a file path).
  virtual std::string location(std::string_view section) const = 0;
};

}  // namespace tambrel
