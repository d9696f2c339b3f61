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

TEST(ImageNameMatches, UnreadableExecutableFallsBackToArgv0) {
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, std::nullopt, "/opt/jobs/backup-job-nightly"));
  EXPECT_TRUE(image_name_matches(kLong, kLongComm, std::nullopt, "backup-job-nightly"));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, "/opt/backup-job-nightly-2"));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, ""));
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, std::nullopt, "/"));
  // A readable link is the truth; argv[0] is only a stand-in for it.
  EXPECT_FALSE(image_name_matches(kLong, kLongComm, "/usr/bin/python3", "backup-job-nightly"));
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

TEST(StatSaysEnded, ReadsTheStateAfterTheLastParenthesis) {
  EXPECT_FALSE(stat_says_ended("4242 (sleep) S 1 4242 4242 0 -1"));
  EXPECT_TRUE(stat_says_ended("4242 (sleep) Z 1 4242 4242 0 -1"));
  EXPECT_TRUE(stat_says_ended("4242 (sleep) X 1"));
  // A name may contain ") Z": the state is after the last ')'.
  EXPECT_FALSE(stat_says_ended("4242 (a) Z (b) R 1 4242"));
  EXPECT_TRUE(stat_says_ended("4242 (a) R (b) Z 1 4242"));
  EXPECT_FALSE(stat_says_ended(""));
  EXPECT_FALSE(stat_says_ended("4242 (sleep)"));
  EXPECT_FALSE(stat_says_ended("4242 (sleep) "));
  EXPECT_FALSE(stat_says_ended("garbage"));
}

}  // namespace
}  // namespace tambrel::procfs
