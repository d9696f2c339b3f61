// The WQL texts the Windows process table sends.
#include <gtest/gtest.h>

#include "platform/win32/wql.h"

namespace tambrel::win32 {
namespace {

TEST(Wql, QueriesAreSentExactlyAsWritten) {
  EXPECT_EQ(is_running_query("notepad.exe"),
            "SELECT Name FROM Win32_Process WHERE Name='notepad.exe'");
  EXPECT_EQ(terminate_query("notepad.exe"),
            "Select Name from Win32_Process Where Name = 'notepad.exe'");
  EXPECT_EQ(is_running_query(""), "SELECT Name FROM Win32_Process WHERE Name=''");
}

TEST(Wql, AnApostropheMovesTheNameIntoDoubleQuotes) {
  EXPECT_EQ(is_running_query("o'brien.exe"),
            "SELECT Name FROM Win32_Process WHERE Name=\"o'brien.exe\"");
  EXPECT_EQ(terminate_query("it's 100% mine.exe"),
            "Select Name from Win32_Process Where Name = \"it's 100% mine.exe\"");
}

TEST(Wql, NamesNoFileCanHaveAreNeverSent) {
  for (const char* name : {"a\"b.exe", "x' OR Name<>'", "a\\b", "c:x", "a*", "a?", "a|b", "a<b",
                           "a>b", "a/b", "tab\there", "nl\n"}) {
    EXPECT_FALSE(is_running_query(name).has_value()) << name;
    EXPECT_FALSE(terminate_query(name).has_value()) << name;
  }
  EXPECT_TRUE(is_running_query("Größe 文字.exe").has_value());
}

}  // namespace
}  // namespace tambrel::win32
