#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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

/// The first line of a "#!" script as the kernel reads it to start the script: the interpreter's
/// path, which becomes argv[0], and the line's one optional argument, which becomes argv[1].
struct Shebang {
  std::string interpreter;
  std::optional<std::string> argument;
};

/// The kernel looks at this many bytes of a file for its "#!" line (BINPRM_BUF_SIZE).
inline constexpr std::size_t kScriptHeadLength = 256;

/// Parses the start of a file (its first kScriptHeadLength bytes, or all of a shorter file) as
/// the kernel does; nullopt when the kernel would not start the file through an interpreter.
std::optional<Shebang> parse_shebang(std::string_view head);

/// The first kScriptHeadLength bytes of the file at `path`, a path as a process's command line
/// holds it; nullopt when it is no regular file or cannot be read.
using ScriptHead = std::function<std::optional<std::string>(std::string_view path)>;

/// True when the candidate with `comm` is an instance of the image `name`. A name shorter than 15
/// bytes is decided by comm alone. Otherwise one of the process's own names must equal the whole
/// name: the file name of `exe_target` (the /proc/<pid>/exe link text, a trailing " (deleted)"
/// ignored, nullopt when it could not be read), of argv[0] (the name it was started as, e.g.
/// through a symlink), or, for a script the kernel started through its "#!" line, of the script:
/// argv[1], or argv[2] when the line has its one argument, and only when `script_head` of that
/// path is a "#!" line naming argv[0] (and argv[1] as its argument). No other argument counts.
/// `cmdline` is /proc/<pid>/cmdline as read: NUL-separated, maybe cut short. Byte-exact and
/// case-sensitive; any input is safe. An empty `script_head` confirms no script.
bool image_name_matches(std::string_view name, std::string_view comm,
                        std::optional<std::string_view> exe_target, std::string_view cmdline,
                        const ScriptHead& script_head = {});

/// The last path component of `path` ("/usr/bin/sleep" -> "sleep", "sleep" -> "sleep").
std::string_view file_name_of(std::string_view path);

/// The executable's file name in a /proc/<pid>/exe link text: an executable replaced or removed
/// while running still is that image, so a trailing " (deleted)" is no part of it.
std::string_view executable_name(std::string_view exe_target);

/// The `index`th NUL-separated entry of a /proc/<pid>/cmdline text, empty when there are fewer.
std::string_view cmdline_argument(std::string_view cmdline, int index);

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

/// The real user id in a /proc/<pid>/status text; nullopt when it has none.
std::optional<std::uint32_t> parse_real_uid(std::string_view status);

}  // namespace tambrel::procfs
