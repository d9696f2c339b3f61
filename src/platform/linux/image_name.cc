#include "platform/linux/image_name.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tambrel::procfs {

namespace {

// PF_KTHREAD in <linux/sched.h>, which is not a user-space header.
constexpr std::uint64_t kKernelThreadFlag = 0x00200000;

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

bool space_or_tab(char c) {
  return c == ' ' || c == '\t';
}

bool ends_a_word(char c) {
  return space_or_tab(c) || c == '\0';
}

/// True when the kernel, starting a "#!" script, put its path at argv[`index`] (1, or 2 after the
/// "#!" line's argument) of `cmdline`: that file's own first line names argv[0] and argv[1].
bool started_as_script(std::string_view cmdline, int index, const ScriptHead& script_head) {
  const std::string_view path = cmdline_argument(cmdline, index);
  const auto head = script_head ? script_head(path) : std::nullopt;
  const auto shebang = head ? parse_shebang(*head) : std::nullopt;
  if (!shebang || shebang->interpreter != cmdline_argument(cmdline, 0))
    return false;
  if (!shebang->argument)
    return index == 1;
  return index == 2 && *shebang->argument == cmdline_argument(cmdline, 1);
}

}  // namespace

std::optional<Shebang> parse_shebang(std::string_view head) {
  // The kernel's buffer: the file's first bytes, zeros after its end. Its rules, step by step.
  std::array<char, kScriptHeadLength> b{};
  head.copy(b.data(), std::min(head.size(), b.size()));
  if (b[0] != '#' || b[1] != '!')
    return std::nullopt;
  const std::size_t last = b.size() - 1;
  // The line ends at its newline; a line too long for the buffer ends with the interpreter's
  // name, which must end within it.
  std::size_t end = 0;
  while (end <= last && b[end] != '\0' && b[end] != '\n')
    ++end;
  if (end > last || b[end] != '\n') {
    end = 2;
    while (end <= last && space_or_tab(b[end]))
      ++end;
    while (end <= last && !ends_a_word(b[end]))
      ++end;
    if (end > last)
      return std::nullopt;
  }
  while (space_or_tab(b[end - 1]))
    --end;
  std::size_t name = 2;
  while (name < end && space_or_tab(b[name]))
    ++name;
  if (name >= end)
    return std::nullopt;
  std::size_t separator = name;
  while (separator <= end && !ends_a_word(b[separator]))
    ++separator;
  Shebang shebang;
  shebang.interpreter.assign(&b[name], std::min(separator, end) - name);
  if (separator < end && b[separator] != '\0') {
    std::size_t start = separator;
    while (start < end && space_or_tab(b[start]))
      ++start;
    if (start < end) {
      const std::string_view text(&b[start], end - start);
      shebang.argument = std::string(text.substr(0, text.find('\0')));
    }
  }
  return shebang;
}

std::string_view file_name_of(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view executable_name(std::string_view exe_target) {
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe_target.ends_with(kDeleted))
    exe_target.remove_suffix(kDeleted.size());
  return file_name_of(exe_target);
}

std::string_view cmdline_argument(std::string_view cmdline, int index) {
  for (int i = 0; i < index; ++i) {
    const auto nul = cmdline.find('\0');
    if (nul == std::string_view::npos)
      return {};
    cmdline.remove_prefix(nul + 1);
  }
  return cmdline.substr(0, cmdline.find('\0'));
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
                        std::optional<std::string_view> exe_target, std::string_view cmdline,
                        const ScriptHead& script_head) {
  if (!comm_is_candidate(name, comm))
    return false;
  if (!needs_file_name(name))
    return true;
  // comm may be cut short, so only a whole file name can tell "backup-job-nightly" from
  // "backup-job-nightly-2", and a 15-byte name from a longer one that starts the same.
  if (exe_target && executable_name(*exe_target) == name)
    return true;
  if (file_name_of(cmdline_argument(cmdline, 0)) == name)
    return true;
  // A script's path follows its interpreter, but so may any argument of any program: only the
  // script's own first line tells which of the two it is.
  for (int index = 1; index <= 2; ++index) {
    if (file_name_of(cmdline_argument(cmdline, index)) == name &&
        started_as_script(cmdline, index, script_head))
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

std::optional<std::uint32_t> parse_real_uid(std::string_view status) {
  // "Uid:\t<real>\t<effective>\t<saved>\t<filesystem>"; the kernel escapes a newline in the Name
  // line above it, so no name can fake this one.
  constexpr std::string_view kUid = "\nUid:";
  const auto at = status.find(kUid);
  if (at == std::string_view::npos)
    return std::nullopt;
  std::string_view rest = status.substr(at + kUid.size());
  while (!rest.empty() && space_or_tab(rest.front()))
    rest.remove_prefix(1);
  std::uint32_t uid = 0;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), uid);
  if (ec != std::errc() || end == rest.data())
    return std::nullopt;
  return uid;
}

}  // namespace tambrel::procfs
