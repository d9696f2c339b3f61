#include "platform/qt/qsettings_store.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "support.h"

namespace tambrel::qt {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Qt reads XDG_CONFIG_HOME once per process, so the whole program gets one temporary home,
// set before the first store call; tests keep apart by section.
testing::TempDir* g_config_home = nullptr;

fs::path config_home() {
  return g_config_home->path();
}

std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(QSettingsStore, KeepsEachSectionInItsOwnIniFileUnderTheConfigHome) {
  QSettingsStore store;
  const fs::path file = config_home() / "MERIDOX-TAMBREL" / "backup-job.ini";
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

TEST(QSettingsStore, ReadingAnAbsentKeyOrSectionCreatesNothing) {
  QSettingsStore store;
  EXPECT_EQ(store.read("never-written", "MainTop"), std::nullopt);
  EXPECT_FALSE(fs::exists(store.location("never-written")));
  store.write("one-key", "A", "1");
  EXPECT_EQ(store.read("one-key", "B"), std::nullopt);
  EXPECT_EQ(file_text(store.location("one-key")), "[General]\nA=1\n");
}

TEST(QSettingsStore, ValuesComeBackExactly) {
  QSettingsStore store;
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
      "a, b,c",
      "@Variant(x)",
      "@",
      "back\\slash\\",
      "[General]\nMainLeft=5",
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE4\xB8\x96\xE7\x95\x8C \xF0\x9F\x99\x82",
      std::string("nul\0inside", 10),
      std::string(100000, 'x'),
      long_mixed,
  };
  int i = 0;
  for (const std::string& value : values) {
    const std::string key = "KEY_" + std::to_string(i++);
    store.write("round-trip", key, value);
    EXPECT_EQ(store.read("round-trip", key), value) << "key " << key;
  }
  // And again from the file alone, as the next start of the program reads them.
  i = 0;
  for (const std::string& value : values) {
    EXPECT_EQ(QSettingsStore().read("round-trip", "KEY_" + std::to_string(i++)), value);
  }
}

TEST(QSettingsStore, SeesChangesMadeToTheFileBetweenCalls) {
  QSettingsStore store;
  store.write("edited", "PROCESS_NAME_TEXTBOX", "gedit");
  std::ofstream(store.location("edited"), std::ios::trunc)
      << "[General]\nPROCESS_NAME_TEXTBOX=kate\nSENDKEYS_TICKBOX=1\n";
  EXPECT_EQ(store.read("edited", "PROCESS_NAME_TEXTBOX"), "kate");
  EXPECT_EQ(store.read("edited", "SENDKEYS_TICKBOX"), "1");
}

TEST(QSettingsStore, AHandWrittenListIsReadAsItsText) {
  QSettingsStore store;
  fs::create_directories(config_home() / "MERIDOX-TAMBREL");
  std::ofstream(store.location("by-hand")) << "[General]\nWINDOW_NAME_TEXTBOX=Report, final\n";
  EXPECT_EQ(store.read("by-hand", "WINDOW_NAME_TEXTBOX"), "Report, final");
}

TEST(QSettingsStore, AFileThatCannotBeWrittenIsAnErrorNamingKeyAndFile) {
  QSettingsStore store;
  // A directory where the section's file belongs: nothing can be written there, not even by root.
  const std::string file = store.location("blocked");
  fs::create_directories(file);
  try {
    store.write("blocked", "MainTop", "30");
    FAIL() << "no error";
  } catch (const Error& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("\"MainTop\""), std::string::npos) << text;
    EXPECT_NE(text.find(file), std::string::npos) << text;
  }
}

TEST(QSettingsStore, AnUnusableConfigHomeIsAnErrorNamingTheKey) {
  // XDG_CONFIG_HOME below a regular file, in a fresh process (Qt keeps the first one it saw).
  testing::TempDir dir;
  const fs::path file = dir.path() / "plain-file";
  std::ofstream(file) << "x";
  testing::ScopedEnv env("XDG_CONFIG_HOME", (file / "config").string());
  testing::Child child("/proc/self/exe", {"store-helper", "--write-helper"}, true);
  const auto line = child.read_line(milliseconds(10000));
  ASSERT_TRUE(line);
  EXPECT_NE(line->find("\"MainTop\""), std::string::npos) << *line;
  EXPECT_NE(line->find((file / "config" / "MERIDOX-TAMBREL" / "helper.ini").string()),
            std::string::npos)
      << *line;
  const auto status = child.wait(milliseconds(10000));
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 3);
}

TEST(QSettingsStore, LocationIsTheFileQSettingsOpens) {
  QSettingsStore store;
  for (const char* section : {"backup-job", "two words",
                              "Gr\xC3\xBC\xC3\x9F"
                              "e",
                              "dotted.name.ini", "-dash", "UPPER"}) {
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                             QString::fromUtf8(kSettingsApplication.data(),
                                               static_cast<qsizetype>(kSettingsApplication.size())),
                             QString::fromUtf8(section));
    EXPECT_EQ(store.location(section), settings.fileName().toStdString()) << section;
  }
  // Without XDG_CONFIG_HOME, and with a relative one, in fresh processes (Qt keeps the first).
  testing::TempDir home;
  testing::ScopedEnv home_env("HOME", home.path().string());
  for (const std::optional<std::string>& config : std::initializer_list<std::optional<std::string>>{
           std::nullopt, std::string("relative/config")}) {
    testing::ScopedEnv env("XDG_CONFIG_HOME", config);
    testing::Child child("/proc/self/exe", {"store-helper", "--location-helper"}, true);
    const auto location = child.read_line(milliseconds(10000));
    const auto file_name = child.read_line(milliseconds(10000));
    ASSERT_TRUE(location && file_name);
    EXPECT_EQ(*location, *file_name) << config.value_or("(unset)");
    if (!config) {
      EXPECT_EQ(*location, (home.path() / ".config" / "MERIDOX-TAMBREL" / "helper.ini").string());
    }
    const auto status = child.wait(milliseconds(10000));
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
  }
}

// QSettings shares each file's keys, unsaved ones included, between all its objects in a process.
// After a refused write the next QSettings on the file, even one only asked for its name, would
// write the unsaved key back, and over the file as restored it wrote that key alone. The whole
// sequence runs in a child so that its exit is covered too.
TEST(QSettingsStore, AfterARefusedWriteTheFileIsLeftAloneForTheRestOfTheProcess) {
  testing::Child child("/proc/self/exe", {"store-helper", "--refusal-helper"}, true);
  std::vector<std::string> lines;
  while (const auto line = child.read_line(milliseconds(10000)))
    lines.push_back(*line);
  const auto status = child.wait(milliseconds(10000));
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
  const std::string file = QSettingsStore().location("refused");
  ASSERT_EQ(lines.size(), 8u) << ::testing::PrintToString(lines);
  EXPECT_EQ(
      lines[0],
      "before: [General]\\nMainLeft=1000\\nSENDKEYS_TICKBOX=0\\nWINDOW_NAME_TEXTBOX=Old title\\n");
  EXPECT_TRUE(
      lines[1].starts_with("refused: QSettings::sync failed for the setting \"SENDKEYS_TICKBOX\""))
      << lines[1];
  // While the file is still blocked, then once it is back: its name without opening it, and every
  // read or write refused with a message naming the key and the file.
  for (const std::size_t i : {2u, 5u})
    EXPECT_EQ(lines[i], "location: " + file);
  for (const std::size_t i : {3u, 6u}) {
    EXPECT_TRUE(lines[i].starts_with(
        "read: QSettings::value failed for the setting \"MainLeft\" in " + file + ": "))
        << lines[i];
  }
  for (const std::size_t i : {4u, 7u}) {
    EXPECT_TRUE(lines[i].starts_with(
        "write: QSettings::sync failed for the setting \"MainTop\" in " + file + ": "))
        << lines[i];
  }
  // After the child has ended: every key as it was before the refusal, the refused one included.
  EXPECT_EQ(file_text(file),
            "[General]\nMainLeft=1000\nSENDKEYS_TICKBOX=0\nWINDOW_NAME_TEXTBOX=Old title\n");
}

/// The child of the test above: prints one line per step.
int refusal_helper() {
  QSettingsStore store;
  const fs::path file = store.location("refused");
  const fs::path aside = file.string() + ".aside";
  store.write("refused", "MainLeft", "1000");
  store.write("refused", "WINDOW_NAME_TEXTBOX", "Old title");
  store.write("refused", "SENDKEYS_TICKBOX", "0");
  store.read("refused", "MainLeft");
  std::string text = file_text(file);
  for (std::size_t at; (at = text.find('\n')) != std::string::npos;)
    text.replace(at, 1, "\\n");
  std::cout << "before: " << text << std::endl;

  // The file set aside and a directory in its place: nothing can be written there.
  fs::rename(file, aside);
  fs::create_directory(file);
  try {
    store.write("refused", "SENDKEYS_TICKBOX", "1");
    std::cout << "refused: no error" << std::endl;
  } catch (const Error& e) {
    std::cout << "refused: " << e.what() << std::endl;
  }
  auto later_calls = [&] {
    std::cout << "location: " << store.location("refused") << std::endl;
    try {
      const std::string value = store.read("refused", "MainLeft").value_or("(absent)");
      std::cout << "read: " << value << std::endl;
    } catch (const Error& e) {
      std::cout << "read: " << e.what() << std::endl;
    }
    try {
      store.write("refused", "MainTop", "5");
      std::cout << "write: written" << std::endl;
    } catch (const Error& e) {
      std::cout << "write: " << e.what() << std::endl;
    }
  };
  later_calls();
  // The very file back, unchanged in size and time: writable again and indistinguishable from
  // the one QSettings read before the refusal.
  fs::remove(file);
  fs::rename(aside, file);
  later_calls();
  return 0;
}

}  // namespace
}  // namespace tambrel::qt

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--location-helper") {
    std::cout << tambrel::qt::QSettingsStore().location("helper") << std::endl;
    std::cout << QSettings(QSettings::IniFormat, QSettings::UserScope, "MERIDOX-TAMBREL", "helper")
                     .fileName()
                     .toStdString()
              << std::endl;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--refusal-helper")
    return tambrel::qt::refusal_helper();
  if (argc == 2 && std::string(argv[1]) == "--write-helper") {
    try {
      tambrel::qt::QSettingsStore().write("helper", "MainTop", "30");
      std::cout << "written" << std::endl;
      return 0;
    } catch (const tambrel::Error& e) {
      std::cout << e.what() << std::endl;
      return 3;
    }
  }
  tambrel::testing::TempDir home;
  tambrel::qt::g_config_home = &home;
  tambrel::testing::ScopedEnv env("XDG_CONFIG_HOME", home.path().string());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
