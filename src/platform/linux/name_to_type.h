#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tambrel::procfs {

/// The process name a user types for a process with `comm`, `exe_target` and `cmdline` (as
/// image_name_matches takes them): the first of its comm and the file names of its executable,
/// argv[0], argv[1] and argv[2] that `finds` accepts, so that what is shown is what the process
/// table finds; comm when none is. `finds` is the process-name rule for this one process.
std::string name_to_type(std::string_view comm, std::optional<std::string_view> exe_target,
                         std::string_view cmdline,
                         const std::function<bool(std::string_view name)>& finds);

/// name_to_type for the running process `pid`, read from `proc_root` and decided by
/// is_process_named; empty when it is gone or hidden.
std::string name_to_type_of(std::uint32_t pid, const std::string& proc_root = "/proc");

}  // namespace tambrel::procfs
