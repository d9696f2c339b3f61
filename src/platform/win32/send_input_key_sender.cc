#include "platform/win32/send_input_key_sender.h"

#include <windows.h>

#include <array>
#include <string>

#include "platform/error.h"
#include "platform/win32/win_error.h"

namespace tambrel::win32 {

namespace {

INPUT key(WORD virtual_key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void SendInputKeySender::send_alt_f4() {
  std::array<INPUT, 4> keys = {key(VK_MENU, false), key(VK_F4, false), key(VK_F4, true),
                               key(VK_MENU, true)};
  const UINT sent = SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
  if (sent != keys.size()) {
    // SendInput gives no error code when another input stream (UIPI) blocks it.
    const DWORD code = GetLastError();
    throw Error("SendInput failed: " + std::to_string(sent) + " of 4 keystrokes sent" +
                (code ? " (" + error_text(code) + ")" : std::string()));
  }
}

}  // namespace tambrel::win32
