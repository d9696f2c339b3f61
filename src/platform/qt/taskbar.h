#pragma once

class QWidget;

namespace tambrel::qt {

/// Asks the X11 window manager to leave `window` out of the taskbar (_NET_WM_STATE_SKIP_TASKBAR),
/// which Qt::Tool alone does not do. Call it while the window is still unmapped, just before it is
/// shown. Does nothing on other platforms (offscreen included).
void keep_off_taskbar(QWidget& window);

/// Asks the X11 window manager to show a window that is already managed (mapped or minimised) on
/// the taskbar, or to leave it out again. Does nothing on other platforms.
void show_on_taskbar(QWidget& window, bool shown);

/// Gives `window` the focus as the user's own choice would (an X11 window manager does not weigh
/// it against focus stealing); elsewhere, the toolkit's activation.
void give_focus(QWidget& window);

}  // namespace tambrel::qt
