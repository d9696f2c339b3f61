#include "platform/linux/image_name.h"

#include <charconv>

namespace tambrel::procfs {

namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";
// PF_KTHREAD in <linux/sched.h>, which is not a user-space header.
constexpr std::uint64_t kKernelThreadFlag = 0x00200000;

/// The `index`th NUL-separated entry of `cmdline`, empty when there are fewer.
std::string_view argument(std::string_view cmdline, int index) {
  for (int i = 0; i < index; ++i) {
    const auto nul = cmdline.find('\0');
    if (nul == std::string_view::npos)
      return {};
    cmdline.remove_prefix(nul + 1);
  }
  return cmdline.substr(0, cmdline.find('\0'));
}

template <typename Number>
bool read_number(std::string_view& text, Number& value) {
  const auto end = text.find(' ');
  const std::string_view field = text.substr(0, end);
  if (std::from_chars(field.data(), field.data() + field.size(), value).ec != std::errc())
    return false;
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return true;
}

void skip_fields(std::string_view& text, int count) {
  for (int i = 0; i < count && !text.empty(); ++i) {
    const auto end = text.find(' ');
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

}  // namespace

std::string_view file_name_of(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool comm_is_candidate(std::string_view name, std::string_view comm) {
  if (name.empty() || name.find('/') != std::string_view::npos)
    return false;
  return comm == name.substr(0, kCommLength);
}

bool needs_file_name(std::string_view name) {
  return name.size() >= kCommLength;
}

bool image_name_matches(std::string_view name, std::string_view comm,
                        std::optional<std::string_view> exe_target, std::string_view cmdline) {
  if (!comm_is_candidate(name, comm))
    return false;
  if (!needs_file_name(name))
    return true;
  // comm may be cut short, so only a whole file name can tell "backup-job-nightly" from
  // "backup-job-nightly-2", and a 15-byte name from a longer one that starts the same.
  if (exe_target) {
    std::string_view target = *exe_target;
    // An executable replaced or removed while running still is that image.
    if (target.ends_with(kDeletedSuffix))
      target.remove_suffix(kDeletedSuffix.size());
    if (file_name_of(target) == name)
      return true;
  }
  for (int i = 0; i < 3; ++i) {
    if (file_name_of(argument(cmdline, i)) == name)
      return true;
  }
  return false;
}

std::optional<StatFields> parse_stat(std::string_view stat) {
  // "pid (comm) S ppid ...": comm may itself hold ") ", so the fields follow the last ')'.
  const auto close = stat.rfind(')');
  if (close == std::string_view::npos || close + 2 >= stat.size())
    return std::nullopt;
  std::string_view rest = stat.substr(close + 2);
  StatFields fields;
  fields.state = rest[0];
  skip_fields(rest, 6);  // state ppid pgrp session tty_nr tpgid
  if (!read_number(rest, fields.flags))
    return std::nullopt;
  skip_fields(rest, 10);  // minflt cminflt majflt cmajflt utime stime cutime cstime priority nice
  if (!read_number(rest, fields.num_threads))
    return std::nullopt;
  skip_fields(rest, 1);  // itrealvalue
  if (!read_number(rest, fields.start_time))
    return std::nullopt;
  return fields;
}

bool is_kernel_thread(const StatFields& stat) {
  return (stat.flags & kKernelThreadFlag) != 0;
}

bool has_ended(const StatFields& stat) {
  return stat.state == 'Z' || stat.state == 'X' || stat.state == 'x';
}

}  // namespace tambrel::procfs
