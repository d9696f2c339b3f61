#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/win32/own_executable.h"
#include "platform/win32/utf.h"
#include "support.h"

namespace tambrel::win32 {
namespace {

using namespace test;

TEST(OwnExecutable, SectionIsTheFileNameWithoutExtension) {
  EXPECT_EQ(own_executable_section(), "tambrel_win32_tests");
  EXPECT_EQ(to_wide(own_executable_path()), own_path());
}

TEST(OwnExecutable, ARenamedCopyGetsItsOwnSection) {
  const std::wstring copy = copy_of_self(L"Backup job \u00e4.v2.exe");
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring out = std::wstring(temp) + L"tambrel-section.txt";
  DeleteFileW(out.c_str());

  Child child(L"\"" + copy + L"\" --write-section \"" + out + L"\"");
  ASSERT_TRUE(child.wait_exit());
  DWORD code = 1;
  GetExitCodeProcess(child.handle(), &code);
  ASSERT_EQ(code, 0u);
  std::ifstream in(std::filesystem::path(out), std::ios::binary);
  const std::string section((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(section, "Backup job ä.v2");
}

}  // namespace
}  // namespace tambrel::win32
