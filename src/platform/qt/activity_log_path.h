#pragma once

#include <filesystem>
#include <string_view>

namespace tambrel::qt {

/// Where this copy's activity log is kept:
/// ${XDG_STATE_HOME:-$HOME/.local/state}/MERIDOX-TAMBREL/<section>.log. A relative XDG_STATE_HOME
/// is ignored, as the base directory rules say. Empty when no absolute folder can be found.
std::filesystem::path activity_log_path(std::string_view section);

}  // namespace tambrel::qt
