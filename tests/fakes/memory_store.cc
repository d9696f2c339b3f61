#include "fakes/memory_store.h"

#include "platform/error.h"

namespace tambrel::testing {

std::optional<std::string> MemoryStore::read(std::string_view section, std::string_view key) {
  reads.emplace_back(key);
  return get(std::string(section), std::string(key));
}

std::optional<std::string> MemoryStore::get(const std::string& section,
                                            const std::string& key) const {
  const auto it = values.find({section, key});
  if (it == values.end())
    return std::nullopt;
  return it->second;
}

void MemoryStore::write(std::string_view section, std::string_view key, std::string_view value) {
  if (++write_count_ == refuse_write_number) {
    throw Error("Could not save the setting \"" + std::string(key) + "\" (" + location(section) +
                "): access denied");
  }
  writes.emplace_back(key, value);
  values[{std::string(section), std::string(key)}] = std::string(value);
}

std::string MemoryStore::location(std::string_view section) const {
  return "memory:" + std::string(section);
}

std::vector<std::string> MemoryStore::written_keys() const {
  std::vector<std::string> keys;
  for (const auto& [k, v] : writes)
    keys.push_back(k);
  return keys;
}

}  // namespace tambrel::testing
