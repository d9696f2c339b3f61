// The matcher reads texts that other processes control (their comm, exe link and arguments): any
// bytes must be safe to match against, and the answer must follow the kernel's 15-byte comm.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check.h"
#include "platform/linux/image_name.h"

namespace {

using tambrel::procfs::file_name_of;
using tambrel::procfs::image_name_matches;
using tambrel::procfs::kCommLength;
using tambrel::procfs::parse_shebang;

constexpr std::string_view kDeleted = " (deleted)";

}  // namespace

/// The n-th NUL-separated entry of `cmdline`, empty when there are fewer.
std::string_view entry(std::string_view cmdline, int n) {
  for (; n > 0; --n) {
    const auto nul = cmdline.find('\0');
    if (nul == std::string_view::npos)
      return {};
    cmdline.remove_prefix(nul + 1);
  }
  return cmdline.substr(0, cmdline.find('\0'));
}

/// Every file looks like `head`.
tambrel::procfs::ScriptHead every_file_starts(std::string head) {
  return [head](std::string_view) { return std::optional<std::string>(head); };
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool exe_readable = in.ConsumeBool();
  const std::string name = in.ConsumeRandomLengthString(64);
  const std::string comm = in.ConsumeRandomLengthString(32);
  const std::string exe_text = in.ConsumeRandomLengthString(128);
  const std::string cmdline = in.ConsumeRandomLengthString(128);
  const std::string head = in.ConsumeRandomLengthString(300);
  const std::string stat = in.ConsumeRemainingBytesAsString();
  const std::optional<std::string_view> exe =
      exe_readable ? std::optional<std::string_view>(exe_text) : std::nullopt;

  const bool matches = image_name_matches(name, comm, exe, cmdline, every_file_starts(head));
  const bool nameable = !name.empty() && name.find('/') == std::string::npos;

  if (!nameable)
    FUZZ_CHECK(!matches, "an empty name or one with a slash matches nothing");
  if (matches)
    FUZZ_CHECK(comm == std::string_view(name).substr(0, kCommLength), "comm is the name's start");

  if (name.size() < kCommLength) {
    // A short name fits comm whole: comm decides alone.
    FUZZ_CHECK(matches == (nameable && comm == name), "comm decides a short name");
  } else if (matches) {
    // A comm the kernel may have cut is never enough: some whole file name has to agree.
    std::string_view target = exe.value_or("");
    if (target.ends_with(kDeleted))
      target.remove_suffix(kDeleted.size());
    // Past argv[0] only a script the kernel started through its "#!" line names the process.
    const auto shebang = parse_shebang(head);
    const bool script = shebang && shebang->interpreter == entry(cmdline, 0) &&
                        file_name_of(entry(cmdline, shebang->argument ? 2 : 1)) == name;
    FUZZ_CHECK(
        (exe && file_name_of(target) == name) || file_name_of(entry(cmdline, 0)) == name || script,
        "a long name matches by one of the process's own file names");
  }

  // A name without '/' matches the process that runs it from any directory, deleted or not,
  // whatever its arguments say. The kernel writes the link of a deleted "x" as "x (deleted)",
  // the same text as a live file named "x (deleted)"; the matcher reads it as the deleted "x", so
  // names that themselves end that way are left out here.
  if (nameable && !name.ends_with(kDeleted)) {
    const std::string comm_of_name = name.substr(0, kCommLength);
    const std::string path = "/" + exe_text + "/" + name;
    FUZZ_CHECK(image_name_matches(name, comm_of_name, path, cmdline), "the image itself matches");
    FUZZ_CHECK(image_name_matches(name, comm_of_name, path + std::string(kDeleted), cmdline),
               "a deleted image still matches");
    if (path.find('\0') == std::string::npos) {
      FUZZ_CHECK(image_name_matches(name, comm_of_name, std::nullopt, path),
                 "argv[0] stands in for a closed exe link");
      FUZZ_CHECK(
          image_name_matches(name, comm_of_name, "/bin/sh", std::string("sh\0-e\0", 6) + path,
                             every_file_starts("#!sh -e\n")),
          "the script a #! interpreter runs stands in for the image");
    }
    // One byte more is another image once comm may be cut.
    FUZZ_CHECK(
        image_name_matches(name, comm_of_name, path + "2", "") == (name.size() < kCommLength),
        "a longer file name is another image");
  }

  const std::string_view file = file_name_of(exe_text);
  FUZZ_CHECK(file.find('/') == std::string_view::npos, "a file name has no slash");
  FUZZ_CHECK(std::string_view(exe_text).ends_with(file), "the file name ends the path");

  // Any /proc/<pid>/stat text is safe to read; fields come after the comm's ')'.
  if (tambrel::procfs::parse_stat(stat))
    FUZZ_CHECK(stat.rfind(')') != std::string::npos, "the fields follow the comm");
  return 0;
}
