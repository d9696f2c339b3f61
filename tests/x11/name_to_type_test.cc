#include "platform/linux/name_to_type.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/image_name.h"

namespace tambrel::procfs {
namespace {

using namespace std::string_view_literals;

TEST(NameToType, TheWholeNameWhereCommIsCutElseComm) {
  struct Case {
    std::string_view comm;
    std::optional<std::string_view> exe;
    std::string_view cmdline;
    std::string_view name;
  };
  const Case cases[] = {
      {"mousepad", "/usr/bin/mousepad", "mousepad\0"sv, "mousepad"},
      // A short comm is the name even where the executable is called otherwise (a renamed
      // process, an interpreter's script).
      {"fpad", "/usr/bin/featherpad", "fpad\0"sv, "fpad"},
      {"gnome-text-edit", "/usr/bin/gnome-text-editor", ""sv, "gnome-text-editor"},
      {"gnome-text-edit", "/usr/bin/gnome-text-editor (deleted)", ""sv, "gnome-text-editor"},
      // The exe link hidden (another user's process): argv[0], else a script's file name.
      {"gnome-text-edit", std::nullopt, "/usr/bin/gnome-text-editor\0--new\0"sv,
       "gnome-text-editor"},
      {"backup-job-nigh", "/usr/bin/python3.11",
       "/usr/bin/python3\0-u\0/opt/backup-job-nightly\0"sv, "backup-job-nightly"},
      // An argument that is no "#!" script of its interpreter is no name of the process.
      {"backup-job-nigh", "/usr/bin/python3.11", "/usr/bin/python3\0/opt/backup-job-nightly-x\0"sv,
       "backup-job-nigh"},
      // No file name starts with the comm: the comm is all there is to go by.
      {"backup-job-nigh", "/usr/bin/other", "other\0"sv, "backup-job-nigh"},
  };
  for (const Case& c : cases) {
    const auto finds = [&](std::string_view name) {
      return image_name_matches(name, c.comm, c.exe, c.cmdline, [](std::string_view script) {
        return script == "/opt/backup-job-nightly"
                   ? std::optional<std::string>("#!/usr/bin/python3 -u\n")
                   : std::nullopt;
      });
    };
    EXPECT_EQ(name_to_type(c.comm, c.exe, c.cmdline, finds), c.name) << c.cmdline;
  }
}

}  // namespace
}  // namespace tambrel::procfs
