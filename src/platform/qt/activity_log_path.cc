#include "platform/qt/activity_log_path.h"

#include <cstdlib>

#include "platform/settings_store.h"

namespace tambrel::qt {

std::filesystem::path activity_log_path(std::string_view section) {
  std::filesystem::path base;
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return base / kSettingsApplication / (std::string(section) + ".log");
}

}  // namespace tambrel::qt
