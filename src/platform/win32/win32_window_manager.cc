#include "platform/win32/win32_window_manager.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/win_error.h"
#include "platform/win32/window_titles.h"

namespace tambrel::win32 {

namespace {

HWND to_hwnd(WindowId window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowId to_id(HWND hwnd) {
  return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}

struct Listed {
  HWND hwnd;
  std::wstring title;
};

// Every top-level window, down the z-order (the topmost first), as the system's own lookup walks.
std::vector<Listed> top_levels(bool visible_only) {
  struct Walk {
    bool visible_only;
    std::vector<Listed> found;
  } walk{visible_only, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto& w = *reinterpret_cast<Walk*>(param);
        if (!w.visible_only || IsWindowVisible(hwnd))
          w.found.push_back({hwnd, window_title(hwnd)});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
  return walk.found;
}

std::uint32_t pid_of(const Listed& w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w.hwnd, &pid);
  return pid;
}

// The whole title exact to the case, then ignoring it; for activation then a prefix, likewise.
// Titles compare as UTF-16, as the system keeps them.
HWND choose(std::string_view title, bool visible_only, bool with_prefix,
            const NamedProcess& named) {
  const std::wstring wanted = to_wide(title);
  if (wanted.empty())  // names no window
    return nullptr;
  const std::vector<Listed> windows = top_levels(visible_only);
  const TitleMatch tiers[] = {TitleMatch::kWhole, TitleMatch::kWholeIgnoringCase,
                              TitleMatch::kPrefix, TitleMatch::kPrefixIgnoringCase};
  const auto chosen = choose_window(
      windows,
      [&](const Listed& w) {
        for (int tier = 0; tier < (with_prefix ? 4 : 2); ++tier) {
          if (title_matches(w.title, wanted, tiers[tier]))
            return tier;
        }
        return -1;
      },
      pid_of, named);
  return chosen == windows.end() ? nullptr : chosen->hwnd;
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
  return to_id(choose(title, /*visible_only=*/false, /*with_prefix=*/false, named_));
}

void Win32WindowManager::post_close(WindowId window) {
  if (window != 0)
    PostMessageW(to_hwnd(window), WM_CLOSE, 0, 0);
}

WindowId Win32WindowManager::activate(std::string_view title) {
  const HWND target = choose(title, /*visible_only=*/true, /*with_prefix=*/true, named_);
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
