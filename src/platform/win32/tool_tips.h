#pragma once

#include "platform/win32/form_window.h"

namespace tambrel::win32 {

/// Shows the control's ToolTipText while the pointer rests on it: one TOOLTIPS_CLASS window per
/// form, made when the first control gets a tip; an empty text takes the control's tip away.
void show_tool_tip(FormWindow& fw, ControlWindow& cw);

}  // namespace tambrel::win32
