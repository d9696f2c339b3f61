#pragma once

class QWidget;

namespace tambrel::qt {

/// Asks the X11 window manager to leave `window` out of the taskbar (_NET_WM_STATE_SKIP_TASKBAR),
/// which Qt::Tool alone does not do. Call it while the window is still unmapped, just before it is
/// shown. Does nothing on other platforms (offscreen included).
void keep_off_taskbar(QWidget& window);

}  // namespace tambrel::qt
