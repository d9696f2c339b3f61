#pragma once

#include <filesystem>
#include <string_view>

namespace tambrel::xdg {

/// Where this copy's activity log is kept:
/// ${XDG_STATE_HOME:-~/.local/state}/MERIDOX-TAMBREL/<section>.log, the state home found by the
/// same rule as the settings' configuration home (xdg_home).
std::filesystem::path activity_log_path(std::string_view section);

}  // namespace tambrel::xdg
