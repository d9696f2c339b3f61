#pragma once

#include <string>

namespace tambrel::win32 {

/// The running executable's full path (GetModuleFileNameW), UTF-8. Throws Error when the system
/// cannot say.
std::string own_executable_path();

/// The settings section of the running executable: its file name without extension, so a copy
/// under another name keeps its own settings.
std::string own_executable_section();

}  // namespace tambrel::win32
