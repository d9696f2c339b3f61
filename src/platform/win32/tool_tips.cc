#include "platform/win32/tool_tips.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/utf.h"

namespace tambrel::win32 {

namespace {

HWND tool_tips_of(FormWindow& fw) {
  if (fw.tool_tips)
    return fw.tool_tips;
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  // Not owned by the form's window (the view destroys it with that window): the system keeps
  // owned windows above their owner, and Wine, asked to make an owner topmost, puts it beneath
  // its topmost tip window without making it topmost itself, so Always On Top would not hold.
  fw.tool_tips = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  if (fw.tool_tips) {
    // Long texts (a list of refusals) wrap instead of running off the screen.
    SendMessageW(fw.tool_tips, TTM_SETMAXTIPWIDTH, 0, 480);
  }
  return fw.tool_tips;
}

}  // namespace

void show_tool_tip(FormWindow& fw, ControlWindow& cw) {
  const std::string& text = cw.control->tool_tip_text();
  if (!fw.tool_tips && text.empty())
    return;
  const HWND tips = tool_tips_of(fw);
  if (!tips)
    return;  // a tip is a help, never a reason to stop
  std::wstring wide = to_wide(text);
  TTTOOLINFOW tool{};
  // The version 5 size: accepted by every version of the common controls.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = fw.hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(cw.hwnd);
  tool.lpszText = wide.data();
  const bool known = SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
  tool.lpszText = wide.data();
  if (text.empty()) {
    if (known)
      SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  } else if (known) {
    SendMessageW(tips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  } else {
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace tambrel::win32
