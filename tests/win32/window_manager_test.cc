#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/error.h"
#include "platform/win32/utf.h"
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/window_titles.h"
#include "support.h"

namespace tambrel::win32 {
namespace {

using namespace test;

WindowId id_of(HWND hwnd) {
  return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}
const std::string kNotepad = to_utf8(kNotepadTitle);

std::string title_of(WindowId window) {
  wchar_t title[256] = {};
  GetWindowTextW(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)), title, 256);
  return to_utf8(title);
}

testing::AssertionResult in_front(WindowManager& wm, HWND hwnd) {
  if (poll_until([&] { return wm.foreground_window() == id_of(hwnd); }, 10s)) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "in front: \"" << title_of(wm.foreground_window())
                                     << "\", wanted: \"" << title_of(id_of(hwnd)) << "\"";
}

TEST(Win32WindowManager, FindsByExactTitleOnlyAndPostedCloseEndsNotepad) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND window = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(wm.find_window(kNotepad), id_of(window));
  EXPECT_EQ(wm.find_window("Untitled - Note"), 0u) << "find_window must not match a prefix";
  EXPECT_EQ(wm.find_window("TAMBREL test: no window has this title"), 0u);

  wm.post_close(id_of(window));
  EXPECT_TRUE(notepad.wait_exit()) << "notepad did not close after WM_CLOSE";
}

TEST(Win32WindowManager, FindsTitlesAsTheSystemKeepsThemAnUnpairedSurrogateIncluded) {
  Win32WindowManager wm;
  OwnWindow own(L"Z\u00e4hler \u2013 \u6771\u4eac");
  EXPECT_EQ(wm.find_window("Zähler – 東京"), id_of(own.hwnd()));

  const std::wstring lone = std::wstring(L"TAMBREL test: A") + wchar_t(0xD800) + L"B";
  OwnWindow odd(lone);
  OwnWindow replaced(L"TAMBREL test: A\uFFFDB");  // how the title shows: not the same title
  // The title as the settings hand it over.
  const std::string typed = to_utf8(lone);
  EXPECT_EQ(wm.find_window(typed), id_of(odd.hwnd()));
  EXPECT_EQ(wm.activate(typed), id_of(odd.hwnd()));
  EXPECT_EQ(wm.activate(to_utf8(lone.substr(0, 16))), id_of(odd.hwnd())) << "by a prefix";
}

TEST(TitleMatches, WholeOrPrefixExactToTheCaseOrIgnoringIt) {
  using enum TitleMatch;
  EXPECT_TRUE(title_matches(L"Report", L"Report", kWhole));
  EXPECT_FALSE(title_matches(L"REPORT", L"Report", kWhole));
  EXPECT_TRUE(title_matches(L"REPORT", L"Report", kWholeIgnoringCase));
  EXPECT_FALSE(title_matches(L"Report 2", L"REPORT", kPrefix));
  EXPECT_TRUE(title_matches(L"Report 2", L"REPORT", kPrefixIgnoringCase));
  EXPECT_FALSE(title_matches(L"Report", L"Report 2", kPrefixIgnoringCase));
  EXPECT_FALSE(title_matches(L"Report", L"", kPrefixIgnoringCase));
}

TEST(Win32WindowManager, AWindowDisabledByItsOwnModalDialogTakesNoInput) {
  Win32WindowManager wm;
  OwnWindow document(L"TAMBREL test: document");
  EXPECT_EQ(wm.input_blocked(id_of(document.hwnd())), std::nullopt);
  // What a modal dialog does: it is owned by the window, which it disables, and is active.
  const HWND dialog =
      CreateWindowExW(0, L"STATIC", L"Save changes?", WS_POPUP | WS_CAPTION | WS_VISIBLE, 150, 150,
                      200, 100, document.hwnd(), nullptr, nullptr, nullptr);
  EnableWindow(document.hwnd(), FALSE);
  ASSERT_TRUE(bring_to_front(dialog));
  EXPECT_EQ(wm.input_blocked(id_of(document.hwnd())), id_of(dialog));
  DestroyWindow(dialog);
}

TEST(Win32WindowManager, ActivatesExactTitleBeforeAnEarlierPrefixMatch) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND target = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(target, nullptr);
  // Its title begins with notepad's, and once in front it comes first in the z-order walk.
  OwnWindow decoy(kNotepadTitle + L" (decoy)");
  ASSERT_TRUE(bring_to_front(decoy.hwnd()));

  EXPECT_EQ(wm.activate(kNotepad), id_of(target));
  EXPECT_TRUE(in_front(wm, target)) << "notepad did not come to the foreground";
}

TEST(Win32WindowManager, ActivatesByPrefix) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND target = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(target, nullptr);
  OwnWindow other(L"TAMBREL test: another window");
  ASSERT_TRUE(bring_to_front(other.hwnd()));

  EXPECT_EQ(wm.activate("Untitled - Not"), id_of(target));
  EXPECT_TRUE(in_front(wm, target));
  ASSERT_TRUE(settles_in_front(target));
  // And back to the test's window by a prefix of its title.
  EXPECT_EQ(wm.activate("TAMBREL test: another"), id_of(other.hwnd()));
  EXPECT_TRUE(in_front(wm, other.hwnd()));
}

TEST(Win32WindowManager, ActivatingAMissingTitleThrowsNamingIt) {
  Win32WindowManager wm;
  try {
    wm.activate("TAMBREL test: nothing is called this");
    FAIL() << "activate found a window that does not exist";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("\"TAMBREL test: nothing is called this\""),
              std::string::npos)
        << e.what();
  }
}

TEST(Win32WindowManager, ActivationIgnoresCaseAsTheLookupDoesAndAnEmptyTitleNamesNothing) {
  Win32WindowManager wm;
  OwnWindow untitled(L"");
  OwnWindow exact(L"TAMBREL test: Backup Report");
  // In front, so the walk meets it first: a whole title must still win over a prefix.
  OwnWindow longer(L"tambrel TEST: backup report (2)");
  ASSERT_TRUE(bring_to_front(longer.hwnd()));

  EXPECT_EQ(wm.find_window("tambrel test: BACKUP REPORT"), id_of(exact.hwnd()));
  EXPECT_EQ(wm.activate("tambrel test: BACKUP REPORT"), id_of(exact.hwnd()));
  EXPECT_EQ(wm.activate("TAMBREL TEST: BACKUP REPORT ("), id_of(longer.hwnd()));

  EXPECT_EQ(wm.find_window(""), 0u)
      << "an empty title found \"" << title_of(wm.find_window("")) << "\"";
  EXPECT_THROW(wm.activate(""), Error);
}

TEST(Win32WindowManager, SetTopmostTogglesTheStyleWithoutMovingTheWindow) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND window = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(window, nullptr);
  auto topmost = [&] { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  RECT before{};
  GetWindowRect(window, &before);
  ASSERT_FALSE(topmost());

  wm.set_topmost(id_of(window), true);
  EXPECT_TRUE(poll_until(topmost, 5s));
  wm.set_topmost(id_of(window), false);
  EXPECT_TRUE(poll_until([&] { return !topmost(); }, 5s));

  RECT after{};
  GetWindowRect(window, &after);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  EXPECT_EQ(before.right - before.left, after.right - after.left);
  EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
  wm.set_topmost(0, true);  // ignored, no crash
}

TEST(Win32WindowManager, SetTopmostKeepsTheKeyboardWhereTheUserIsTyping) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND typing = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(typing, nullptr);
  OwnWindow keeper(L"kept on top");
  ASSERT_TRUE(bring_to_front(typing));
  for (int step = 0; step < 3; ++step) {
    // What the keeper does each second while another window is in front.
    wm.set_topmost(id_of(typing), false);
    wm.set_topmost(id_of(keeper.hwnd()), true);
  }
  EXPECT_TRUE(GetWindowLongPtrW(keeper.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(settles_in_front(typing)) << "being on top must not take the keyboard";
}

}  // namespace
}  // namespace tambrel::win32
