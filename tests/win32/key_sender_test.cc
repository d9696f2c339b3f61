#include <gtest/gtest.h>

#include <cstdint>

#include "platform/win32/send_input_key_sender.h"
#include "platform/win32/utf.h"
#include "platform/win32/win32_window_manager.h"
#include "support.h"

namespace tambrel::win32 {
namespace {

using namespace test;

WindowId id_of(HWND hwnd) {
  return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(hwnd));
}

TEST(SendInputKeySender, AltF4ClosesTheActivatedNotepadOnly) {
  Win32WindowManager wm;
  SendInputKeySender keys;
  Child notepad(L"notepad.exe");
  const HWND target = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(target, nullptr);
  OwnWindow bystander(L"TAMBREL test: bystander");
  ASSERT_TRUE(bring_to_front(bystander.hwnd()));

  ASSERT_EQ(wm.activate(to_utf8(kNotepadTitle)), id_of(target));
  // The keystroke goes to whatever is in front, so it is sent only once notepad is, for good.
  ASSERT_TRUE(settles_in_front(target));
  keys.send_alt_f4();

  EXPECT_TRUE(notepad.wait_exit()) << "Alt+F4 did not close notepad";
  EXPECT_TRUE(IsWindow(bystander.hwnd())) << "Alt+F4 reached another window";
}

TEST(SendInputKeySender, ForegroundWindowShowsWhenSomethingElseIsInFront) {
  Win32WindowManager wm;
  Child notepad(L"notepad.exe");
  const HWND target = wait_for_window(notepad.pid(), kNotepadTitle);
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(wm.activate(to_utf8(kNotepadTitle)), id_of(target));
  ASSERT_TRUE(settles_in_front(target));

  // Something else takes the front between activation and keystroke: the guard sees it, so the
  // caller can skip the keystroke instead of closing the wrong window.
  OwnWindow intruder(L"TAMBREL test: intruder");
  SetForegroundWindow(intruder.hwnd());
  EXPECT_TRUE(poll_until([&] { return wm.foreground_window() == id_of(intruder.hwnd()); }, 10s));
  EXPECT_NE(wm.foreground_window(), id_of(target));
  EXPECT_EQ(WaitForSingleObject(notepad.handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace tambrel::win32
