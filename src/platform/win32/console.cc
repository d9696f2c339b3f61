#include "platform/win32/console.h"

#include <windows.h>

#include <cstdlib>

#include "platform/win32/utf.h"

namespace tambrel::win32 {

namespace {

enum class Written { kYes, kNowhere, kRefused };

Written write_to(HANDLE handle, const std::string& text) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
    return Written::kNowhere;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = to_wide(text);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)
               ? Written::kYes
               : Written::kRefused;
  }
  if (GetFileType(handle) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR)
    return Written::kNowhere;
  // A file or pipe gets the text as Windows programs write it: UTF-8 with CR LF line ends.
  std::string crlf;
  for (const char c : text) {
    if (c == '\n')
      crlf += '\r';
    crlf += c;
  }
  DWORD written = 0;
  return WriteFile(handle, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr) &&
                 written == crlf.size()
             ? Written::kYes
             : Written::kRefused;
}

/// A program of the GUI subsystem gets no console of its own, but may join its starter's.
bool write_to_parent_console(const std::string& text) {
  if (!AttachConsole(ATTACH_PARENT_PROCESS))
    return false;
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  // The starter's prompt may stand on the last line already.
  const bool written = write_to(console, "\n" + text) == Written::kYes;
  if (console != INVALID_HANDLE_VALUE)
    CloseHandle(console);
  FreeConsole();
  return written;
}

}  // namespace

std::vector<std::string> command_line_arguments() {
  // The C runtime split the command line before wWinMain (CommandLineToArgvW would add a DLL).
  std::vector<std::string> arguments;
  for (int i = 1; __wargv != nullptr && i < __argc; ++i)
    arguments.push_back(to_utf8(__wargv[i]));
  return arguments;
}

bool tell_user(const std::string& text, bool is_error) {
  switch (write_to(GetStdHandle(is_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text)) {
    case Written::kYes:
      return true;
    case Written::kRefused:
      return false;
    case Written::kNowhere:
      break;
  }
  if (write_to_parent_console(text))
    return true;
  MessageBoxW(nullptr, to_wide(text).c_str(), L"TAMBREL",
              MB_OK | (is_error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_SETFOREGROUND);
  return true;
}

void tell_console(const std::string& line) {
  if (write_to(GetStdHandle(STD_ERROR_HANDLE), line + "\n") == Written::kNowhere)
    write_to_parent_console(line + "\n");
}

}  // namespace tambrel::win32
