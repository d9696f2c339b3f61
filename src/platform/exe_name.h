#pragma once

#include <string>
#include <string_view>

namespace tambrel {

/// The settings section for an executable at `path`: its file name without directory and without
/// the last extension ("C:\\x\\backup-job.exe" -> "backup-job", "/usr/bin/tambrel" -> "tambrel").
/// Both '/' and '\\' separate directories.
std::string section_from_path(std::string_view path);

}  // namespace tambrel
