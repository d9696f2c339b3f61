#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tambrel::procfs {

/// The kernel keeps at most this many bytes of a process name in /proc/<pid>/comm.
inline constexpr std::size_t kCommLength = 15;

/// True when a process with `comm` (its /proc/<pid>/comm, newline already stripped) may be an
/// instance of the image `name`: comm equals the name's first 15 bytes. An empty name, or one
/// holding '/' (no file name does), is nobody's.
bool comm_is_candidate(std::string_view name, std::string_view comm);

/// True when a candidate's comm may be cut short by the kernel, so that only a file name can
/// confirm it (names of 15 bytes or more).
bool needs_file_name(std::string_view name);

/// True when the candidate with `comm` is an instance of the image `name`. A name shorter than 15
/// bytes is decided by comm alone. Otherwise one of these file names must equal the whole name:
/// that of `exe_target` (the /proc/<pid>/exe link text, a trailing " (deleted)" ignored, nullopt
/// when it could not be read), of argv[0] (a program started through a symlink), or of argv[1]
/// or argv[2] (the script a "#!" interpreter runs, after at most one interpreter option).
/// `cmdline` is /proc/<pid>/cmdline as read: NUL-separated, maybe cut short. Byte-exact and
/// case-sensitive; any input is safe.
bool image_name_matches(std::string_view name, std::string_view comm,
                        std::optional<std::string_view> exe_target, std::string_view cmdline);

/// The last path component of `path` ("/usr/bin/sleep" -> "sleep", "sleep" -> "sleep").
std::string_view file_name_of(std::string_view path);

/// The fields of /proc/<pid>/stat that tell whether a process runs and which one it is.
struct StatFields {
  char state = '?';              ///< R, S, D, T, Z, X, ...
  std::uint64_t flags = 0;       ///< the kernel's PF_* flags
  long num_threads = 0;          ///< threads of the process, an exited main thread included
  std::uint64_t start_time = 0;  ///< clock ticks after boot; with the pid, names one process
};

/// Reads a /proc/<pid>/stat text; nullopt when it cannot be parsed (the process may be gone).
std::optional<StatFields> parse_stat(std::string_view stat);

/// The kernel's own threads never match a name: they run no image.
bool is_kernel_thread(const StatFields& stat);

/// True for a process that has ended but not been reaped (zombie 'Z' or dead 'X').
bool has_ended(const StatFields& stat);

}  // namespace tambrel::procfs
