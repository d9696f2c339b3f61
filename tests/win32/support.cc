#include "support.h"

#include <stdexcept>

namespace tambrel::win32::test {

bool poll_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

namespace {

// "title" (pid N), or "no window" for a null handle: enough to tell which process held the front.
std::string describe(HWND hwnd) {
  if (!hwnd)
    return "no window";
  wchar_t title[256] = {};
  GetWindowTextW(hwnd, title, 256);
  char narrow[768] = {};
  WideCharToMultiByte(CP_UTF8, 0, title, -1, narrow, sizeof narrow, nullptr, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  // Appended piece by piece: "x" + std::string trips a false -Wrestrict of GCC 12 at -O3.
  std::string text = "\"";
  text += narrow;
  text += "\" (pid ";
  text += std::to_string(pid);
  text += ")";
  return text;
}

// Polls until `hwnd` has been in front for `hold` without a break, calling `lost` each time it
// is not; the failure lists every window that held the front meanwhile.
testing::AssertionResult hold_front(HWND hwnd, std::chrono::milliseconds hold,
                                    std::chrono::milliseconds timeout,
                                    const std::function<void()>& lost) {
  const auto start = std::chrono::steady_clock::now();
  auto since = start;
  HWND last = reinterpret_cast<HWND>(-1);
  std::string history;
  const bool settled = poll_until(
      [&] {
        const auto now = std::chrono::steady_clock::now();
        const HWND front = GetForegroundWindow();
        if (front != last) {
          last = front;
          const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
          history += "\n  at " + std::to_string(ms.count()) + " ms: " + describe(front);
        }
        if (front != hwnd) {
          since = now;
          lost();
        }
        return now - since >= hold;
      },
      timeout);
  if (settled)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << describe(hwnd) << " did not stay in front; the front was:" << history;
}

}  // namespace

testing::AssertionResult settles_in_front(HWND hwnd) {
  return hold_front(hwnd, 300ms, 10s, [] {});
}

testing::AssertionResult bring_to_front(HWND hwnd) {
  // Asking again at once would only queue more focus requests behind the window manager's
  // answer to the last one; a quarter second lets that answer arrive first.
  auto asked = std::chrono::steady_clock::time_point{};
  return hold_front(hwnd, 500ms, 15s, [&] {
    const auto now = std::chrono::steady_clock::now();
    if (now - asked >= 250ms) {
      SetForegroundWindow(hwnd);
      asked = now;
    }
  });
}

Child::Child(std::wstring command_line, SECURITY_ATTRIBUTES* attributes) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, command_line.data(), attributes, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_)) {
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
  }
  // A GUI child is ready for window tests once it waits for input.
  WaitForInputIdle(info_.hProcess, 10000);
}

Child::~Child() {
  if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 10000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Child::wait_exit(std::chrono::milliseconds timeout) const {
  return poll_until([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; },
                    timeout);
}

namespace {

struct WindowSearch {
  DWORD pid;
  const std::wstring* title;
  HWND found = nullptr;
};

BOOL CALLBACK visit(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search.pid || !IsWindowVisible(hwnd))
    return TRUE;
  wchar_t title[512] = {};
  GetWindowTextW(hwnd, title, 512);
  if (*search.title != title)
    return TRUE;
  search.found = hwnd;
  return FALSE;
}

LRESULT CALLBACK own_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

HWND wait_for_window(DWORD pid, const std::wstring& title) {
  WindowSearch search{pid, &title};
  poll_until([&] {
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

OwnWindow::OwnWindow(const std::wstring& title) {
  static const ATOM window_class = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = own_window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TambrelTestWindow";
    return RegisterClassW(&wc);
  }();
  hwnd_ = CreateWindowExW(0, MAKEINTATOM(window_class), title.c_str(), WS_OVERLAPPEDWINDOW, 100,
                          100, 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_)
    throw std::runtime_error("CreateWindowExW failed: " + std::to_string(GetLastError()));
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  poll_until([&] { return IsWindowVisible(hwnd_) != FALSE; }, 5s);
}

OwnWindow::~OwnWindow() {
  DestroyWindow(hwnd_);
  poll_until([] { return true; }, 0ms);
}

std::wstring own_path() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

std::wstring copy_of_self(const std::wstring& file_name) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring copy = std::wstring(temp) + file_name;
  if (!CopyFileW(own_path().c_str(), copy.c_str(), FALSE)) {
    throw std::runtime_error("CopyFileW failed: " + std::to_string(GetLastError()));
  }
  return copy;
}

std::wstring idle_command(const std::wstring& exe, int ms) {
  return L"\"" + exe + L"\" --idle " + std::to_wstring(ms);
}

}  // namespace tambrel::win32::test
