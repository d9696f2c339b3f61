#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tambrel::win32 {

/// How a window's title is held against the text typed for it.
enum class TitleMatch {
  kWhole,               // the whole title, case and all
  kWholeIgnoringCase,   // the whole title, case ignored
  kPrefix,              // the title begins with the text, case and all
  kPrefixIgnoringCase,  // the title begins with the text, case ignored
};

/// The one title comparison of the Windows build: whether `title` matches `wanted` as `how`
/// says. Both are compared as the system keeps them, UTF-16 code unit by code unit, so an
/// unpaired surrogate matches itself and nothing else; case is ignored ordinally, by the
/// system's own upper-case table, as its FindWindowW ignores it. An empty `wanted` names no
/// window and matches nothing.
bool title_matches(std::wstring_view title, std::wstring_view wanted, TitleMatch how);

/// The title of the top-level window `hwnd`, as the system keeps it; empty when it has none.
std::wstring window_title(HWND hwnd);

}  // namespace tambrel::win32
