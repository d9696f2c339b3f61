#pragma once

#include <string>
#include <string_view>

namespace tambrel {

/// The file name of `path`, whole, without its directory: the Linux build's settings section, so
/// that "tambrel.work" and "tambrel.home" keep two ("/opt/tambrel.work" -> "tambrel.work").
/// Both '/' and '\\' separate directories.
std::string file_name_of(std::string_view path);

/// The Windows build's settings section for an executable at `path`: its file name without the
/// last extension ("C:\\x\\backup-job.exe" -> "backup-job", "/usr/bin/tambrel" -> "tambrel").
std::string section_from_path(std::string_view path);

}  // namespace tambrel
