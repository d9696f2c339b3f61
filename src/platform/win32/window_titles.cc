#include "platform/win32/window_titles.h"

namespace tambrel::win32 {

bool title_matches(std::wstring_view title, std::wstring_view wanted, TitleMatch how) {
  if (wanted.empty())
    return false;
  const bool prefix = how == TitleMatch::kPrefix || how == TitleMatch::kPrefixIgnoringCase;
  if (prefix ? title.size() < wanted.size() : title.size() != wanted.size())
    return false;
  title = title.substr(0, wanted.size());
  if (how == TitleMatch::kWhole || how == TitleMatch::kPrefix)
    return title == wanted;
  return CompareStringOrdinal(title.data(), static_cast<int>(title.size()), wanted.data(),
                              static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL;
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

}  // namespace tambrel::win32
