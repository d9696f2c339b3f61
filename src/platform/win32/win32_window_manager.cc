#include "platform/win32/win32_window_manager.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

namespace {

HWND to_hwnd(WindowId window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowId to_id(HWND hwnd) {
  return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}

std::wstring window_title(HWND hwnd) {
  // For another process's window this reads the caption directly and sends no message, so a
  // hung application cannot block the walk.
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0)
    return {};
  std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, title.data(), length + 1);
  title.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return title;
}

struct TitleSearch {
  std::wstring wanted;
  HWND exact = nullptr;
  HWND prefix = nullptr;
};

// Titles compare as the system's own lookup (FindWindowW) compares them: ordinal, ignoring case.
bool same_text(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

BOOL CALLBACK visit_window(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<TitleSearch*>(param);
  if (!IsWindowVisible(hwnd))
    return TRUE;
  const std::wstring title = window_title(hwnd);
  if (same_text(title, search.wanted)) {
    search.exact = hwnd;
    return FALSE;
  }
  if (!search.prefix && title.size() > search.wanted.size() &&
      same_text(std::wstring_view(title).substr(0, search.wanted.size()), search.wanted))
    search.prefix = hwnd;
  return TRUE;
}

// Windows only lets the process that owns the foreground (or one it allowed) move it. When the
// plain request is refused, joining the foreground thread's input state makes us that process
// for the duration of the call.
void bring_to_foreground(HWND hwnd) {
  if (IsIconic(hwnd))
    ShowWindow(hwnd, SW_RESTORE);
  if (SetForegroundWindow(hwnd))
    return;
  const DWORD ours = GetCurrentThreadId();
  const HWND front = GetForegroundWindow();
  const DWORD theirs = front ? GetWindowThreadProcessId(front, nullptr) : 0;
  const bool attached = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
  BringWindowToTop(hwnd);
  SetForegroundWindow(hwnd);
  if (attached)
    AttachThreadInput(ours, theirs, FALSE);
}

}  // namespace

WindowId Win32WindowManager::find_window(std::string_view title) {
  // FindWindowW takes "" for any untitled window, hidden ones included.
  if (title.empty())
    return 0;
  return to_id(FindWindowW(nullptr, to_wide(title).c_str()));
}

void Win32WindowManager::post_close(WindowId window) {
  if (window != 0)
    PostMessageW(to_hwnd(window), WM_CLOSE, 0, 0);
}

WindowId Win32WindowManager::activate(std::string_view title) {
  TitleSearch search{to_wide(title)};
  // Every title begins with "": an empty title would take the first visible window.
  if (!title.empty())
    EnumWindows(visit_window, reinterpret_cast<LPARAM>(&search));
  const HWND target = search.exact ? search.exact : search.prefix;
  if (!target) {
    throw Error("No window titled \"" + std::string(title) + "\" or beginning with it was found");
  }
  bring_to_foreground(target);
  return to_id(target);
}

WindowId Win32WindowManager::foreground_window() {
  return to_id(GetForegroundWindow());
}

void Win32WindowManager::set_topmost(WindowId window, bool topmost) {
  if (window == 0)
    return;
  SetWindowPos(to_hwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

WindowOwner Win32WindowManager::owner(WindowId window) {
  WindowOwner result;
  DWORD pid = 0;
  if (window == 0 || GetWindowThreadProcessId(to_hwnd(window), &pid) == 0)
    return result;
  result.pid = pid;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
    wchar_t path[MAX_PATH * 4];
    DWORD size = sizeof path / sizeof path[0];
    if (QueryFullProcessImageNameW(process, 0, path, &size)) {
      const std::wstring full(path, size);
      result.image = to_utf8(full.substr(full.find_last_of(L"\\/") + 1));
    }
    CloseHandle(process);
  }
  return result;
}

std::vector<ListedWindow> Win32WindowManager::windows() {
  std::vector<ListedWindow> out;
  // EnumWindows walks the top-level windows in Z order, the topmost first.
  const auto visit = [](HWND hwnd, LPARAM param) -> BOOL {
    if (!IsWindowVisible(hwnd))
      return TRUE;
    const std::wstring title = window_title(hwnd);
    if (title.empty())
      return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    reinterpret_cast<std::vector<ListedWindow>*>(param)->push_back(
        {to_id(hwnd), to_utf8(title), pid});
    return TRUE;
  };
  if (!EnumWindows(visit, reinterpret_cast<LPARAM>(&out)))
    throw Error("EnumWindows failed: " + error_text(GetLastError()));
  return out;
}

}  // namespace tambrel::win32
