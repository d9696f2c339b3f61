#include "platform/xdg/ini_file_store.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/xdg/activity_log_path.h"
#include "support.h"

namespace tambrel::xdg {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void put_file(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class IniFileStoreTest : public ::testing::Test {
 protected:
  testing::TempDir home;
  IniFileStore store{home.path().string()};
};

TEST_F(IniFileStoreTest, KeepsEachSectionInItsOwnIniFileUnderTheConfigHome) {
  const fs::path file = home.path() / "MERIDOX-TAMBREL" / "backup-job.ini";
  EXPECT_EQ(store.location("backup-job"), file.string());
  EXPECT_FALSE(fs::exists(file));

  store.write("backup-job", "MainLeft", "-120");
  store.write("backup-job", "WINDOW_NAME_TEXTBOX", "Untitled - Notepad");
  store.write("backup-job", "MainLeft", "1440");
  // On disk at once, readable by anyone who edits the file by hand.
  EXPECT_EQ(file_text(file), "[General]\nMainLeft=1440\nWINDOW_NAME_TEXTBOX=Untitled - Notepad\n");

  EXPECT_EQ(store.read("backup-job", "MainLeft"), "1440");
  // Another copy of the program has its own section, and keys are case-sensitive.
  EXPECT_EQ(store.read("backup-job-2", "MainLeft"), std::nullopt);
  EXPECT_EQ(store.read("backup-job", "mainleft"), std::nullopt);
}

TEST_F(IniFileStoreTest, ReadingAnAbsentKeyOrSectionCreatesNothing) {
  EXPECT_EQ(store.read("never-written", "MainTop"), std::nullopt);
  EXPECT_FALSE(fs::exists(store.location("never-written")));
  store.write("one-key", "A", "1");
  EXPECT_EQ(store.read("one-key", "B"), std::nullopt);
  EXPECT_EQ(file_text(store.location("one-key")), "[General]\nA=1\n");
}

TEST_F(IniFileStoreTest, ValuesComeBackExactly) {
  std::string long_mixed;
  for (int i = 0; long_mixed.size() < 100000; ++i)
    long_mixed += "ab=;\"%\n\xC3\xA9," + std::to_string(i);
  long_mixed.resize(100000);
  const std::string values[] = {
      "",
      "a=b",
      "a;b ; comment?",
      "#not a comment",
      "\"quoted\"",
      "'single' \"double",
      "100% %U %1 %%",
      "line 1\nline 2\r\nline 3\n",
      "\ttab and trailing blank ",
      "  leading blanks",
      " ",
      "a, b,c",
      "a,b",
      "@Variant(x)",
      "@Rect(1 2 3 4)",
      "@",
      "back\\slash\\",
      "\\x41 \\n \\0 written out",
      "[General]\nMainLeft=5",
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE4\xB8\x96\xE7\x95\x8C \xF0\x9F\x99\x82",
      "bad UTF-8 \xFF\xFE \xC3 end",
      std::string("nul\0inside", 10),
      std::string("\x01"
                  "1\x1f"
                  "f\x7f"
                  "A bell\a"),
      std::string(100000, 'x'),
      long_mixed,
  };
  int i = 0;
  for (const std::string& value : values) {
    const std::string key = "KEY_" + std::to_string(i++);
    store.write("round-trip", key, value);
    EXPECT_EQ(store.read("round-trip", key), value) << "key " << key;
  }
  // And again from the file alone, all keys in one file, as the next start reads them.
  i = 0;
  for (const std::string& value : values)
    EXPECT_EQ(IniFileStore(home.path().string()).read("round-trip", "KEY_" + std::to_string(i++)),
              value);
}

TEST_F(IniFileStoreTest, AFileWrittenByHandIsReadAsWrittenAndKeptWhenWrittenTo) {
  const std::string by_hand =
      "; settings of the nightly job\r\n"
      "[General]\r\n"
      "WINDOW_NAME_TEXTBOX = Report, final\r\n"
      "PROCESS_NAME_TEXTBOX=a,b\r\n"
      "SENDKEYS_TICKBOX=@Rect(0 0 10 10)\r\n"
      "MainLeft=\"  -120 \"\r\n"
      "MainTop=\xFF\xFE\r\n"
      "\r\n"
      "[Other]\r\n"
      "MainWidth=7\r\n";
  put_file(store.location("by-hand"), by_hand);
  EXPECT_EQ(store.read("by-hand", "WINDOW_NAME_TEXTBOX"), "Report, final");
  EXPECT_EQ(store.read("by-hand", "PROCESS_NAME_TEXTBOX"), "a,b");
  EXPECT_EQ(store.read("by-hand", "SENDKEYS_TICKBOX"), "@Rect(0 0 10 10)");
  EXPECT_EQ(store.read("by-hand", "MainLeft"), "  -120 ");
  EXPECT_EQ(store.read("by-hand", "MainTop"), "\xFF\xFE");
  EXPECT_EQ(store.read("by-hand", "MainWidth"), std::nullopt) << "another group's key";

  // Writing one key changes its line alone, or adds one to [General]; comments, the other group
  // and the line ends stay.
  store.write("by-hand", "PROCESS_NAME_TEXTBOX", "kate");
  store.write("by-hand", "MainHeight", "7695");
  std::string expected = by_hand;
  expected.replace(expected.find("a,b"), 3, "kate");
  expected.insert(expected.find("\r\n\r\n[Other]") + 2, "MainHeight=7695\r\n");
  EXPECT_EQ(file_text(store.location("by-hand")), expected);

  // Keys above every group count as [General]'s, as other INI readers take them.
  put_file(store.location("no-group"), "A=1\n[Other]\nB=2");
  EXPECT_EQ(store.read("no-group", "A"), "1");
  store.write("no-group", "C", "3");
  store.write("no-group", "B", "4");
  EXPECT_EQ(file_text(store.location("no-group")), "A=1\nC=3\nB=4\n[Other]\nB=2");
}

TEST_F(IniFileStoreTest, SeesChangesMadeToTheFileBetweenCalls) {
  store.write("edited", "PROCESS_NAME_TEXTBOX", "gedit");
  put_file(store.location("edited"), "[General]\nPROCESS_NAME_TEXTBOX=kate\nSENDKEYS_TICKBOX=1\n");
  EXPECT_EQ(store.read("edited", "PROCESS_NAME_TEXTBOX"), "kate");
  EXPECT_EQ(store.read("edited", "SENDKEYS_TICKBOX"), "1");
}

void expect_error(const std::function<void()>& call, const std::string& starts,
                  const std::string& names) {
  try {
    call();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    const std::string text = e.what();
    EXPECT_TRUE(text.starts_with(starts)) << text;
    EXPECT_NE(text.find(names), std::string::npos) << text;
  }
}

TEST_F(IniFileStoreTest, FilesThatCannotBeReadOrWrittenAreErrorsNamingCallKeyFileAndReason) {
  // A directory where the section's file belongs: nothing can be read or written there, not even
  // by root.
  const std::string file = store.location("blocked");
  fs::create_directories(file);
  expect_error([&] { store.write("blocked", "MainTop", "30"); },
               "read failed for the setting \"MainTop\" in " + file, ": is a directory");
  expect_error([&] { store.read("blocked", "MainTop"); },
               "read failed for the setting \"MainTop\" in " + file, ": is a directory");

  // A configuration home below a plain file.
  const fs::path plain = home.path() / "plain-file";
  put_file(plain, "x");
  IniFileStore below_file((plain / "config").string());
  EXPECT_EQ(below_file.read("helper", "MainTop"), std::nullopt);
  expect_error([&] { below_file.write("helper", "MainTop", "30"); },
               "mkdir failed for the setting \"MainTop\" in " +
                   (plain / "config" / "MERIDOX-TAMBREL").string(),
               ": not a directory");
}

// A write the file system refuses half-way (here the file size limit, which needs no privilege;
// a full file system gives the same short write) leaves the old file byte for byte and no
// temporary file behind, and says why.
TEST_F(IniFileStoreTest, AWriteRefusedHalfWayLeavesTheOldFileByteForByte) {
  store.write("limited", "MainLeft", "1000");
  store.write("limited", "WINDOW_NAME_TEXTBOX", "Old title");
  const std::string before = file_text(store.location("limited"));
  const auto result = testing::run_forked(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
          store.write("limited", "WINDOW_NAME_TEXTBOX", std::string(4096, 'n'));
        } catch (const Error& e) {
          std::cout << e.what() << std::flush;
          return 3;
        }
        return 0;
      },
      milliseconds(10000));
  ASSERT_TRUE(result);
  EXPECT_TRUE(WIFEXITED(result->status) && WEXITSTATUS(result->status) == 3) << result->output;
  EXPECT_EQ(result->output, "write failed for the setting \"WINDOW_NAME_TEXTBOX\" in " +
                                store.location("limited") + ": file too large");
  EXPECT_EQ(file_text(store.location("limited")), before);
  // Beside the file only its lock, which stays for the next save.
  EXPECT_EQ(std::distance(fs::directory_iterator(home.path() / "MERIDOX-TAMBREL"),
                          fs::directory_iterator()),
            2)
      << "a temporary file was left behind";
}

// A FIFO or a device in the file's place: each call ends at once with the error that names it,
// where a blocking open would hold the start for ever and /dev/zero would fill the memory.
TEST_F(IniFileStoreTest, OnlyARegularFileIsReadOrWritten) {
  const struct {
    std::string section;
    std::function<void(const std::string&)> make;
    std::string what;
  } cases[] = {
      {"fifo", [](const std::string& f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, "a FIFO"},
      {"zero", [](const std::string& f) { fs::create_symlink("/dev/zero", f); },
       "a character device"},
  };
  fs::create_directories(home.path() / "MERIDOX-TAMBREL");
  for (const auto& c : cases) {
    const std::string file = store.location(c.section);
    c.make(file);
    const auto result = testing::run_forked(
        [&] {
          for (const auto& call : std::vector<std::function<void()>>{
                   [&] { store.read(c.section, "MainTop"); },
                   [&] { store.write(c.section, "MainTop", "30"); }}) {
            try {
              call();
            } catch (const Error& e) {
              std::cout << e.what() << '\n' << std::flush;
            }
          }
          return 0;
        },
        milliseconds(20000));
    ASSERT_TRUE(result) << c.section << ": still blocked";
    // The save names the link's target too.
    const std::string target = fs::is_symlink(file) ? " (a link to /dev/zero)" : "";
    const std::string error = ": is " + c.what + ", not a regular file\n";
    EXPECT_EQ(result->output, "read failed for the setting \"MainTop\" in " + file + error +
                                  "read failed for the setting \"MainTop\" in " + file + target +
                                  error);
    EXPECT_FALSE(fs::exists("/dev/zero.lock"));
  }
}

// Running out of memory on a huge file is a message that names the file, not "std::bad_alloc".
TEST_F(IniFileStoreTest, AFileTooLargeForMemoryIsAnErrorNamingIt) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "an address space limit stops the sanitizer itself";
#endif
#endif
  const std::string file = store.location("huge");
  put_file(file, "");
  fs::resize_file(file, std::uintmax_t(4) << 30);  // sparse: no disk space taken
  const auto result = testing::run_forked(
      [&] {
        const rlimit limit{1u << 30, 1u << 30};
        setrlimit(RLIMIT_AS, &limit);
        try {
          store.read("huge", "MainTop");
        } catch (const Error& e) {
          std::cout << e.what() << std::flush;
        }
        return 0;
      },
      milliseconds(20000));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->output, "read failed for the setting \"MainTop\" in " + file +
                                ": out of memory for a file of 4294967296 bytes");
}

// A byte-order mark that an editor put before the first key hides no key, and stays.
TEST_F(IniFileStoreTest, AByteOrderMarkBeforeTheFirstKeyHidesNoKey) {
  put_file(store.location("job"), "\xEF\xBB\xBFWINDOW_NAME_TEXTBOX=Notes\n");
  EXPECT_EQ(store.read("job", "WINDOW_NAME_TEXTBOX"), "Notes");
  store.write("job", "MainLeft", "1");
  EXPECT_EQ(file_text(store.location("job")),
            "\xEF\xBB\xBFWINDOW_NAME_TEXTBOX=Notes\nMainLeft=1\n");
}

TEST(IniFileStoreHome, IsTheAbsoluteXdgConfigHomeElseTheHomeDirectorysConfig) {
  testing::ScopedEnv home("HOME", "/home/someone");
  {
    testing::ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(IniFileStore::default_config_home(), "/elsewhere/config");
  }
  // Unset, empty or relative: the XDG rules say to ignore it.
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("relative/config"), std::optional<std::string>("./config")}) {
    testing::ScopedEnv config("XDG_CONFIG_HOME", value);
    EXPECT_EQ(IniFileStore::default_config_home(), "/home/someone/.config")
        << value.value_or("(unset)");
  }
}

// Without a usable HOME the settings and the log both live in the account's home from the
// password database: neither is dropped while the other is kept.
TEST(IniFileStoreHome, WithoutAUsableHomeSettingsAndLogShareThePasswordDatabasesHome) {
  const passwd* account = getpwuid(getuid());
  ASSERT_NE(account, nullptr);
  const std::string home = account->pw_dir;
  testing::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
  testing::ScopedEnv state("XDG_STATE_HOME", std::nullopt);
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>("relative/home")}) {
    testing::ScopedEnv unset("HOME", value);
    EXPECT_EQ(IniFileStore::default_config_home(), home + "/.config");
    EXPECT_EQ(activity_log_path("job"), fs::path(home) / ".local/state/MERIDOX-TAMBREL/job.log");
  }
}

}  // namespace
}  // namespace tambrel::xdg
