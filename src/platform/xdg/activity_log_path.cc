#include "platform/xdg/activity_log_path.h"

#include <string>

#include "platform/settings_store.h"
#include "platform/xdg/xdg_dirs.h"

namespace tambrel::xdg {

std::filesystem::path activity_log_path(std::string_view section) {
  return std::filesystem::path(xdg_home("XDG_STATE_HOME", ".local/state")) / kSettingsApplication /
         (std::string(section) + ".log");
}

}  // namespace tambrel::xdg
