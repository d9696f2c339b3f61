#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings_store.h"

namespace tambrel::testing {

/// Settings in memory. Records every write in order; can refuse the n-th write.
class MemoryStore : public SettingsStore {
 public:
  std::optional<std::string> read(std::string_view section, std::string_view key) override;
  void write(std::string_view section, std::string_view key, std::string_view value) override;
  std::string location(std::string_view section) const override;

  void put(const std::string& section, const std::string& key, std::string value) {
    values[{section, key}] = std::move(value);
  }
  std::optional<std::string> get(const std::string& section, const std::string& key) const;
  /// The keys written, in order.
  std::vector<std::string> written_keys() const;

  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::pair<std::string, std::string>> writes;  // (key, value)
  std::vector<std::string> reads;                           // keys, in order
  /// Refuse the write with this 1-based number (0: refuse none).
  int refuse_write_number = 0;

 private:
  int write_count_ = 0;
};

}  // namespace tambrel::testing
