#include "platform/win32/win32_window_manager.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/window_titles.h"

namespace tambrel::win32 {

namespace {

HWND to_hwnd(WindowId window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowId to_id(HWND hwnd) {
  return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}

struct TitleSearch {
  std::wstring wanted;
  bool visible_only;
  bool with_prefix;
  HWND whole = nullptr;
  HWND prefix = nullptr;
};

// The walk goes down the z-order, as the system's own lookup does: the first whole title wins.
BOOL CALLBACK visit_window(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<TitleSearch*>(param);
  if (search.visible_only && !IsWindowVisible(hwnd))
    return TRUE;
  const std::wstring title = window_title(hwnd);
  if (title_matches(title, search.wanted, TitleMatch::kWholeIgnoringCase)) {
    search.whole = hwnd;
    return FALSE;
  }
  if (search.with_prefix && !search.prefix &&
      title_matches(title, search.wanted, TitleMatch::kPrefixIgnoringCase))
    search.prefix = hwnd;
  return TRUE;
}

TitleSearch search_titles(std::string_view title, bool visible_only, bool with_prefix) {
  TitleSearch search{to_wide(title), visible_only, with_prefix};
  if (!search.wanted.empty())  // names no window
    EnumWindows(visit_window, reinterpret_cast<LPARAM>(&search));
  return search;
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
  // Every top-level window, hidden ones included, as FindWindowW looks; but compared by
  // title_matches, since FindWindowW's comparison is its own.
  return to_id(search_titles(title, /*visible_only=*/false, /*with_prefix=*/false).whole);
}

void Win32WindowManager::post_close(WindowId window) {
  if (window != 0)
    PostMessageW(to_hwnd(window), WM_CLOSE, 0, 0);
}

WindowId Win32WindowManager::activate(std::string_view title) {
  const TitleSearch search = search_titles(title, /*visible_only=*/true, /*with_prefix=*/true);
  const HWND target = search.whole ? search.whole : search.prefix;
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

std::optional<WindowId> Win32WindowManager::input_blocked(WindowId window) {
  const HWND hwnd = to_hwnd(window);
  if (window == 0 || !IsWindow(hwnd) || IsWindowEnabled(hwnd))
    return std::nullopt;
  // A modal dialog disables its owner; the owner's last active popup is that dialog.
  const HWND popup = GetLastActivePopup(hwnd);
  return popup && popup != hwnd && IsWindowEnabled(popup) ? to_id(popup) : 0;
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

}  // namespace tambrel::win32
