// The test program doubles as the helper process some tests start (renamed copies of itself):
//   --idle MS                 stays alive for MS milliseconds, then exits 0
//   --write-section FILE      writes own_executable_section() to FILE (UTF-8), exits 0
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/own_executable.h"

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--idle") {
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
  }
  if (argc == 3 && std::wstring(argv[1]) == L"--write-section") {
    const std::string section = tambrel::win32::own_executable_section();
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out)
      return 2;
    std::fwrite(section.data(), 1, section.size(), out);
    return std::fclose(out) == 0 ? 0 : 3;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
