#include "platform/linux/name_to_type.h"

#include <unistd.h>

#include <array>
#include <fstream>
#include <iterator>

#include "platform/linux/image_name.h"
#include "platform/linux/procfs_process_table.h"

namespace tambrel::procfs {

std::string name_to_type(std::string_view comm, std::optional<std::string_view> exe_target,
                         std::string_view cmdline,
                         const std::function<bool(std::string_view name)>& finds) {
  // A comm the kernel kept whole is the name; one it may have cut is it only when a file name
  // says so.
  if (finds(comm))
    return std::string(comm);
  const std::string_view candidates[] = {
      exe_target ? executable_name(*exe_target) : std::string_view(),
      file_name_of(cmdline_argument(cmdline, 0)), file_name_of(cmdline_argument(cmdline, 1)),
      file_name_of(cmdline_argument(cmdline, 2))};
  for (const std::string_view candidate : candidates) {
    if (!candidate.empty() && finds(candidate))
      return std::string(candidate);
  }
  return std::string(comm);
}

std::string name_to_type_of(std::uint32_t pid, const std::string& proc_root) {
  const std::string dir = proc_root + "/" + std::to_string(pid);
  std::string comm;
  if (!std::getline(std::ifstream(dir + "/comm"), comm))
    return {};
  std::array<char, 4096> target;
  const ssize_t n = readlink((dir + "/exe").c_str(), target.data(), target.size());
  std::optional<std::string_view> exe;
  if (n > 0)
    exe = std::string_view(target.data(), static_cast<std::size_t>(n));
  std::ifstream cmdline_file(dir + "/cmdline", std::ios::binary);
  const std::string cmdline(std::istreambuf_iterator<char>(cmdline_file), {});
  return name_to_type(comm, exe, cmdline, [&](std::string_view name) {
    return is_process_named(pid, name, proc_root);
  });
}

}  // namespace tambrel::procfs
