// The matcher reads texts that other processes control (their comm, exe link and argv[0]): any
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

constexpr std::string_view kDeleted = " (deleted)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool exe_readable = in.ConsumeBool();
  const std::string name = in.ConsumeRandomLengthString(64);
  const std::string comm = in.ConsumeRandomLengthString(32);
  const std::string exe_text = in.ConsumeRandomLengthString(128);
  const std::string argv0 = in.ConsumeRandomLengthString(128);
  const std::string stat = in.ConsumeRemainingBytesAsString();
  const std::optional<std::string_view> exe =
      exe_readable ? std::optional<std::string_view>(exe_text) : std::nullopt;

  const bool matches = image_name_matches(name, comm, exe, argv0);

  if (name.empty())
    FUZZ_CHECK(!matches, "an empty name matches nothing");
  if (matches)
    FUZZ_CHECK(comm == std::string_view(name).substr(0, kCommLength), "comm is the name's start");

  if (name.size() <= kCommLength) {
    // A short name fits comm whole: comm decides alone.
    FUZZ_CHECK(matches == (!name.empty() && comm == name), "comm decides a short name");
  } else if (exe) {
    // A long name is never matched on comm alone: the file name of the link has to agree, and
    // argv[0], which any process can set, does not count.
    std::string_view target = *exe;
    if (target.ends_with(kDeleted))
      target.remove_suffix(kDeleted.size());
    if (matches)
      FUZZ_CHECK(file_name_of(target) == name, "a long name matches by the link's file name");
    FUZZ_CHECK(image_name_matches(name, comm, exe, argv0 + "-other") == matches,
               "argv[0] is ignored when the exe link was read");
  } else if (matches) {
    FUZZ_CHECK(file_name_of(argv0) == name, "without the link, argv[0] must name the image");
  }

  // A name without '/' matches the process that runs it from any directory, deleted or not,
  // whatever its argv[0] says. The kernel writes the link of a deleted "x" as "x (deleted)", the
  // same text as a live file named "x (deleted)"; the matcher reads it as the deleted "x", so
  // names that themselves end that way are left out here.
  if (!name.empty() && name.find('/') == std::string::npos && !name.ends_with(kDeleted)) {
    const std::string comm_of_name = name.substr(0, kCommLength);
    const std::string path = "/" + exe_text + "/" + name;
    FUZZ_CHECK(image_name_matches(name, comm_of_name, path, argv0), "the image itself matches");
    FUZZ_CHECK(image_name_matches(name, comm_of_name, path + std::string(kDeleted), argv0),
               "a deleted image still matches");
    FUZZ_CHECK(image_name_matches(name, comm_of_name, std::nullopt, path),
               "argv[0] stands in for a closed exe link");
    // One byte more is another image once the name is long enough for the file name to count.
    FUZZ_CHECK(
        image_name_matches(name, comm_of_name, path + "2", argv0) == (name.size() <= kCommLength),
        "a longer file name is another image");
  }

  const std::string_view file = file_name_of(exe_text);
  FUZZ_CHECK(file.find('/') == std::string_view::npos, "a file name has no slash");
  FUZZ_CHECK(std::string_view(exe_text).ends_with(file), "the file name ends the path");

  // Any /proc/<pid>/stat text is safe to read; "ended" needs a state letter after the comm.
  if (tambrel::procfs::stat_says_ended(stat))
    FUZZ_CHECK(stat.rfind(')') != std::string::npos, "a state follows the comm");
  return 0;
}
