// Reads what a window shows, for the end-to-end runs: the texts of the visible top-level
// window titled exactly TITLE and of its child windows, one per line, as UTF-8.
//   window_probe.exe TITLE
// Exit status 0 when such a window exists, 2 when none does.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// WM_GETTEXT rather than GetWindowTextW: for another process's window the latter returns only
// the stored caption, which an edit control does not keep.
std::wstring text_of(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return L"(no answer)";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

struct Search {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK visit_top(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(hwnd) || text_of(hwnd) != search.title)
    return TRUE;
  search.found = hwnd;
  return FALSE;
}

BOOL CALLBACK print_child(HWND hwnd, LPARAM) {
  wchar_t class_name[64] = {};
  GetClassNameW(hwnd, class_name, 64);
  std::printf("%s: %s\n", utf8(class_name).c_str(), utf8(text_of(hwnd)).c_str());
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_probe TITLE\n");
    return 64;
  }
  Search search{argv[1]};
  EnumWindows(visit_top, reinterpret_cast<LPARAM>(&search));
  if (!search.found)
    return 2;
  std::printf("window: %s\n", utf8(text_of(search.found)).c_str());
  EnumChildWindows(search.found, print_child, 0);
  std::fflush(stdout);
  return 0;
}
