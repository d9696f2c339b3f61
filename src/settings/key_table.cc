#include "settings/key_table.h"

#include <stdexcept>
#include <string>

namespace tambrel {

const SettingKey& setting_key(std::string_view key) {
  for (const auto& k : kSettingKeys) {
    if (k.key == key)
      return k;
  }
  throw std::logic_error("unknown setting " + std::string(key));
}

}  // namespace tambrel
