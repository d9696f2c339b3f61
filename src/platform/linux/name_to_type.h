#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tambrel::procfs {

/// The process name a user types for the process with `comm`, `exe_target` and `cmdline` (as
/// image_name_matches takes them): comm itself when the kernel kept it whole, else the first file
/// name (of the executable, argv[0], argv[1], argv[2]) that image_name_matches accepts, so that
/// what is shown is what the process table finds; comm when none is.
std::string name_to_type(std::string_view comm, std::optional<std::string_view> exe_target,
                         std::string_view cmdline);

/// name_to_type for the running process `pid`, read from `proc_root`; empty when it is gone or
/// hidden.
std::string name_to_type_of(std::uint32_t pid, const std::string& proc_root = "/proc");

}  // namespace tambrel::procfs
