#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tambrel::procfs {

/// The kernel keeps at most this many bytes of a process name in /proc/<pid>/comm.
inline constexpr std::size_t kCommLength = 15;

/// True when a process with `comm` (its /proc/<pid>/comm, newline already stripped) is an
/// instance of the image `name`: comm equals the first 15 bytes of the name, and for a longer
/// name the file name of `exe_target` (the /proc/<pid>/exe link text, a trailing " (deleted)"
/// ignored) equals the whole name, or, when the link could not be read (nullopt), the file name
/// of `argv0`. Byte-exact and case-sensitive; an empty name matches nothing. Any input is safe.
bool image_name_matches(std::string_view name, std::string_view comm,
                        std::optional<std::string_view> exe_target, std::string_view argv0);

/// The last path component of `path` ("/usr/bin/sleep" -> "sleep", "sleep" -> "sleep").
std::string_view file_name_of(std::string_view path);

/// True when the /proc/<pid>/stat text describes a process that has ended but not yet been
/// reaped (zombie 'Z' or dead 'X'). Text that cannot be parsed counts as not ended.
bool stat_says_ended(std::string_view stat);

}  // namespace tambrel::procfs
