#include "platform/linux/image_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tambrel::procfs {
namespace {

// 18 bytes; the kernel keeps "backup-job-nigh" of it in comm.
constexpr std::string_view kLong = "backup-job-nightly";
constexpr std::string_view kLongComm = "backup-job-nigh";

TEST(ImageNameMatches, ShortNamesCompareCommExactly) {
  EXPECT_TRUE(image_name_matches("sleep", "sleep", std::nullopt, ""));
  EXPECT_FALSE(image_name_matches("sleep", "sleeper", std::nullopt, ""));
  EXPECT_FALSE(image_name_matches("sleeper", "sleep", std::nullopt, ""));
  EXPECT_FALSE(image_name_matches("Sleep", "sleep", std::nullopt, ""));
  // The exe link does not matter when comm holds the whole name.
  EXPECT_TRUE(image_name_matches("sleep", "sleep", "/usr/bin/other", "other"));
  EXPECT_FALSE(image_name_matches("sleep.exe", "sleep", "/x/sleep.exe", "sleep.exe"));
}

TEST(ImageNameMatches, EmptyNameMatchesNothing) {
  EXPECT_FALSE(image_name_matches("", "", std::nullopt, ""));
  EXPECT_FALSE(image_name_matches("", "", "", ""));
  EXPECT_FALSE(image_name_matches("", "sleep", "/bin/sleep", "/bin/sleep"));
}

TEST(ImageNameMatches, LongNamesNeedTheWholeFileNameOfTheExecutable) {
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, "/opt/jobs/backup-job-nightly", ""));
  // Same first 15 bytes, different image.
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, "/opt/jobs/backup-job-nightly-2", ""));
  EXPECT_FALSE(
      image_name_matches("backup-job-nightly-2", kLongComm, "/opt/backup-job-nightly", ""));
  // A process that renamed itself (comm) is no longer that image.
  EXPECT_FALSE(image_name_matches(kLong, "worker", "/opt/jobs/backup-job-nightly", ""));
  // The comm must be the truncation, not the whole name.
  EXPECT_FALSE(image_name_matches(kLong, kLong, "/opt/jobs/backup-job-nightly", ""));
  // A directory of that name does not count.
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, "/opt/backup-job-nightly/run", ""));
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, "backup-job-nightly", ""));
}

TEST(ImageNameMatches, DeletedExecutableStillCounts) {
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, "/opt/backup-job-nightly (deleted)", ""));
  EXPECT_FALSE(
      image_name_matches(kLong, kLongComm, "/opt/backup-job-nightly (deleted) (deleted)", ""));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, " (deleted)", ""));
  // An image really named "... (deleted)" matches itself once the marker is gone.
  EXPECT_TRUE(image_name_matches("backup-job (deleted)", "backup-job (del",
                                 "/opt/backup-job (deleted) (deleted)", ""));
}

TEST(ImageNameMatches, ArgvAndTheScriptStandInForTheExecutable) {
  using namespace std::string_literals;
  // Another user's process: the exe link is closed, argv[0] names it.
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, std::nullopt, "/opt/jobs/backup-job-nightly"));
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, std::nullopt, "backup-job-nightly\0--all"s));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, "/opt/backup-job-nightly-2"));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, ""));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, "/"));
  // Started through a symlink of that name: the link points elsewhere, argv[0] says the name.
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, "/usr/bin/sleep",
                                 "./backup-job-nightly\0"
                                 "60\0"s));
  // Only where the kernel puts the script: a later argument is just an argument.
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, "/usr/bin/dash",
                                  "/bin/sh\0-e\0-x\0/opt/backup-job-nightly\0"s));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, "/usr/bin/dash",
                                  "/bin/sh\0/opt/backup-job-nightly-2\0"s));
}

TEST(ImageNameMatches, AScriptCountsOnlyWhereItsOwnFirstLineHasTheKernelPutIt) {
  using namespace std::string_literals;
  // In /opt/e/ the scripts' lines have an option, in /opt/ none; /var/ holds no scripts.
  const ScriptHead head = [](std::string_view path) {
    return std::optional<std::string>(path.starts_with("/opt/e/") ? "#!/bin/bash -e\n"
                                      : path.starts_with("/opt/") ? "#!/bin/sh\nexit\n"
                                                                  : "data");
  };
  const std::pair<std::string, bool> cases[] = {
      {"/bin/sh\0/opt/backup-job-nightly\0"s, true},
      {"/bin/bash\0-e\0/opt/e/backup-job-nightly\0--now\0"s, true},
      // An argument is no name of the process, script or not.
      {"/bin/sh\0/opt/backup-job-nightly-verify\0/opt/backup-job-nightly\0"s, false},
      {"/bin/sh\0/opt/backup-job-nightly-verify\0/var/backup-job-nightly\0"s, false},
      {"backup-job-nightly-x\0--config\0/var/backup-job-nightly\0"s, false},
      // The line must name this interpreter, and this option.
      {"/bin/bash\0/opt/backup-job-nightly\0"s, false},
      {"/bin/bash\0-x\0/opt/e/backup-job-nightly\0"s, false},
      {"/bin/bash\0/opt/e/backup-job-nightly\0"s, false},
  };
  for (const auto& [cmdline, matches] : cases)
    EXPECT_EQ(image_name_matches(kLong, kLongComm, "/usr/bin/x", cmdline, head), matches)
        << cmdline;
}

TEST(ParseShebang, ReadsTheLineAsTheKernelDoes) {
  using namespace std::string_literals;
  const auto line = [](const std::string& head) -> std::string {
    const auto s = parse_shebang(head);
    return !s ? "none" : s->interpreter + (s->argument ? " [" + *s->argument + "]" : "");
  };
  EXPECT_EQ(line("#! /bin/bash  -e -x \t\nexit\n"), "/bin/bash [-e -x]");
  EXPECT_EQ(line("#!/bin/sh"), "/bin/sh");
  EXPECT_EQ(line("#!/bin/sh\0-e\n"s), "/bin/sh");
  // Past the 256 bytes the kernel reads, the interpreter stays and the argument is lost.
  EXPECT_EQ(line("#!/bin/sh " + std::string(300, 'a')), "/bin/sh");
  EXPECT_EQ(line("#!" + std::string(300, 'a')), "none");
  EXPECT_EQ(line("#!  \t\n"), "none");
  EXPECT_EQ(line("#\n!/bin/sh\n"), "none");
}

TEST(ImageNameMatches, AFifteenByteCommIsConfirmedByAFileName) {
  using namespace std::string_literals;
  // The kernel cuts "backup-job-nightly" to this comm; a name of just these 15 bytes must not
  // find it.
  const std::string_view fifteen = kLongComm;
  EXPECT_FALSE(image_name_matches(fifteen, kLongComm, "/opt/backup-job-nightly",
                                  "/opt/backup-job-nightly\0"s));
  EXPECT_TRUE(image_name_matches(fifteen, kLongComm, "/opt/backup-job-nigh", ""));
  EXPECT_TRUE(image_name_matches(fifteen, kLongComm, std::nullopt, "backup-job-nigh\0"s));
  // Fourteen bytes fit comm whole: comm decides.
  EXPECT_TRUE(image_name_matches("backup-job-nig", "backup-job-nig", std::nullopt, ""));
}

TEST(ImageNameMatches, ANameWithASlashMatchesNothing) {
  EXPECT_FALSE(comm_is_candidate("ksoftirqd/0", "ksoftirqd/0"));
  EXPECT_FALSE(image_name_matches("ksoftirqd/0", "ksoftirqd/0", std::nullopt, ""));
  EXPECT_FALSE(image_name_matches("/bin/sleep", "/bin/sleep", "/bin/sleep", "/bin/sleep"));
  EXPECT_TRUE(comm_is_candidate("sleep", "sleep"));
}

TEST(ImageNameMatches, BytesAreComparedExactly) {
  // "überwachung-täglich" is 21 bytes; 15 bytes cut "ä" in half.
  const std::string name =
      "\xC3\xBC"
      "berwachung-t\xC3\xA4glich";
  const std::string comm = name.substr(0, 15);
  EXPECT_TRUE(image_name_matches(name, comm, "/opt/" + name, ""));
  EXPECT_FALSE(image_name_matches(name, comm,
                                  "/opt/\xC3\x9C"
                                  "berwachung-t\xC3\xA4glich",
                                  ""));
  const std::string with_nul("a\0b", 3);
  EXPECT_FALSE(image_name_matches(with_nul, "a", std::nullopt, ""));
}

TEST(FileNameOf, TakesTheLastComponent) {
  EXPECT_EQ(file_name_of("/usr/bin/sleep"), "sleep");
  EXPECT_EQ(file_name_of("sleep"), "sleep");
  EXPECT_EQ(file_name_of("/usr/bin/"), "");
  EXPECT_EQ(file_name_of(""), "");
}

TEST(ParseStat, ReadsStateFlagsThreadsAndStartTimeAfterTheLastParenthesis) {
  const auto sleeping = parse_stat(
      "4242 (sleep) S 1 4242 4242 0 -1 4194304 98 0 0 0 0 0 0 0 20 0 1 0 280773 3133440 359");
  ASSERT_TRUE(sleeping);
  EXPECT_EQ(sleeping->state, 'S');
  EXPECT_EQ(sleeping->num_threads, 1);
  EXPECT_EQ(sleeping->start_time, 280773u);
  EXPECT_FALSE(has_ended(*sleeping));
  EXPECT_FALSE(is_kernel_thread(*sleeping));

  const auto kthread =
      parse_stat("2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 0 0 0 0 20 0 1 0 18 0 0");
  ASSERT_TRUE(kthread);
  EXPECT_TRUE(is_kernel_thread(*kthread));

  // A name may contain ") Z": the fields follow the last ')'.
  const auto tricky =
      parse_stat("4242 (a) R (b) Z 1 4242 4242 0 -1 4194304 0 0 0 0 0 0 0 0 20 0 3 0 99 0 0");
  ASSERT_TRUE(tricky);
  EXPECT_TRUE(has_ended(*tricky));
  EXPECT_EQ(tricky->num_threads, 3);
  EXPECT_EQ(tricky->start_time, 99u);

  EXPECT_FALSE(parse_stat(""));
  EXPECT_FALSE(parse_stat("4242 (sleep)"));
  EXPECT_FALSE(parse_stat("4242 (sleep) S 1 4242"));
  EXPECT_FALSE(parse_stat("garbage"));
}

}  // namespace
}  // namespace tambrel::procfs
