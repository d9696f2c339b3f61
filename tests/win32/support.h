#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tambrel::win32::test {

using namespace std::chrono_literals;

/// Calls `condition` until it holds or `timeout` passes, pumping this thread's messages in
/// between so that the test's own windows stay responsive. True when it held.
bool poll_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s);

/// Waits (up to 10 s) until `hwnd` has been the foreground window without a break for 300 ms;
/// on failure says which windows held the front meanwhile. Under X the window manager's focus
/// events arrive after Windows' own state changed; a window that only just came to the front
/// can still lose it to a late event.
testing::AssertionResult settles_in_front(HWND hwnd);

/// Puts `hwnd` in front as a test's starting position: asks for it, and asks again whenever a
/// late focus event takes it away, until it has stayed there 500 ms (up to 15 s). For arranging
/// a test only; where the code under test moves the front, check with settles_in_front.
///
/// The window manager may or may not focus a window it has just mapped (that depends on which
/// window it saw in front at that moment), and a process slowed by load can apply that focus
/// after the test asked for another window: so a test starts its target program first and
/// creates and arranges its own windows afterwards, with this.
testing::AssertionResult bring_to_front(HWND hwnd);

/// A process started by a test; terminated (if still running) and closed when dropped.
class Child {
 public:
  /// Starts `command_line` (CreateProcessW); `attributes` become the process's security.
  explicit Child(std::wstring command_line, SECURITY_ATTRIBUTES* attributes = nullptr);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  /// True once the process has ended, waiting at most `timeout`.
  bool wait_exit(std::chrono::milliseconds timeout = 15s) const;

 private:
  PROCESS_INFORMATION info_{};
};

/// The visible top-level window of process `pid` titled `title`, waiting up to 15 s; 0 if none.
HWND wait_for_window(DWORD pid, const std::wstring& title);

/// Notepad's title for a new document.
inline const std::wstring kNotepadTitle = L"Untitled - Notepad";

/// A visible top-level window of the test itself, destroyed when dropped.
class OwnWindow {
 public:
  explicit OwnWindow(const std::wstring& title);
  ~OwnWindow();
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

/// The full path of the running test program.
std::wstring own_path();

/// Copies the running test program to %TEMP%\<file_name> and returns the copy's path.
std::wstring copy_of_self(const std::wstring& file_name);

/// Command line that runs the test program at `exe` idle for `ms` milliseconds (see main).
std::wstring idle_command(const std::wstring& exe, int ms = 60000);

}  // namespace tambrel::win32::test
