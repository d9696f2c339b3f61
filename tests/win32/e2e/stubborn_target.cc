// A target application for the end-to-end runs whose window refuses every close request
// (WM_CLOSE, the close box, Alt+F4): only ending its process removes it.
//   stubborn_target.exe TITLE
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CLOSE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"StubbornTarget";
  if (!RegisterClassW(&wc))
    return 2;
  // The title is the whole command line, without the quotes a shell puts around it.
  std::wstring title = command_line ? command_line : L"";
  if (title.size() >= 2 && title.front() == L'"' && title.back() == L'"')
    title = title.substr(1, title.size() - 2);
  if (title.empty())
    title = L"Stubborn Target";
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 500, 500,
                              320, 160, nullptr, nullptr, instance, nullptr);
  if (!hwnd)
    return 3;
  ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
