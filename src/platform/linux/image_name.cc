#include "platform/linux/image_name.h"

namespace tambrel::procfs {

namespace {
constexpr std::string_view kDeletedSuffix = " (deleted)";
}  // namespace

std::string_view file_name_of(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool image_name_matches(std::string_view name, std::string_view comm,
                        std::optional<std::string_view> exe_target, std::string_view argv0) {
  if (name.empty())
    return false;
  if (comm != name.substr(0, kCommLength))
    return false;
  if (name.size() <= kCommLength)
    return true;
  // comm is truncated, so only the full file name can tell "backup-job-nightly" from
  // "backup-job-nightly-2".
  if (exe_target) {
    std::string_view target = *exe_target;
    // An executable replaced or removed while running still is that image.
    if (target.ends_with(kDeletedSuffix))
      target.remove_suffix(kDeletedSuffix.size());
    return file_name_of(target) == name;
  }
  return file_name_of(argv0) == name;
}

bool stat_says_ended(std::string_view stat) {
  // "pid (comm) S ...": comm may itself hold ") ", so the state follows the last ')'.
  const auto close = stat.rfind(')');
  if (close == std::string_view::npos || close + 2 >= stat.size())
    return false;
  const char state = stat[close + 2];
  return state == 'Z' || state == 'X' || state == 'x';
}

}  // namespace tambrel::procfs
