#include "platform/win32/console.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/utf.h"

namespace tambrel::win32 {

namespace {

bool write_to(HANDLE handle, const std::string& text) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
    return false;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = to_wide(text);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  }
  if (GetFileType(handle) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
    return false;
  // A file or pipe gets the text as Windows programs write it: UTF-8 with CR LF line ends.
  std::string crlf;
  for (const char c : text) {
    if (c == '\n')
      crlf += '\r';
    crlf += c;
  }
  DWORD written = 0;
  return WriteFile(handle, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr) &&
         written == crlf.size();
}

}  // namespace

std::vector<std::string> command_line_arguments() {
  // The C runtime split the command line before wWinMain (CommandLineToArgvW would add a DLL).
  std::vector<std::string> arguments;
  for (int i = 1; __wargv != nullptr && i < __argc; ++i)
    arguments.push_back(to_utf8(__wargv[i]));
  return arguments;
}

void tell_user(const std::string& text, bool is_error) {
  if (write_to(GetStdHandle(is_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text))
    return;
  // A program of the GUI subsystem gets no console of its own, but may join its starter's.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    const bool written = write_to(console, "\n" + text);
    if (console != INVALID_HANDLE_VALUE)
      CloseHandle(console);
    FreeConsole();
    if (written)
      return;
  }
  MessageBoxW(nullptr, to_wide(text).c_str(), L"TAMBREL",
              MB_OK | (is_error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_SETFOREGROUND);
}

}  // namespace tambrel::win32
