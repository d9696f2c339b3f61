#pragma once

#include <filesystem>
#include <string_view>

namespace tambrel::win32 {

/// Where this copy's activity log is kept: %LOCALAPPDATA%\MERIDOX-TAMBREL\<section>.log. Empty
/// when LOCALAPPDATA is not an absolute folder.
std::filesystem::path activity_log_path(std::string_view section);

}  // namespace tambrel::win32
