#pragma once

#include <string>
#include <string_view>

#include "platform/window_manager.h"

namespace tambrel {

class TambrelMain;

/// States an event in the activity log.
void log_event(TambrelMain& m, std::string_view event);
/// Tells the activity log why the program ends ("countdown ended", "close box", "signal
/// SIGTERM"); only the first cause of a run is kept, the one that started the end.
void log_exit(TambrelMain& m, std::string_view cause);
/// `window` as the log and the tool tips name it: its id and the process that owns it, as far as
/// the desktop tells: "window 0x3a00007 (pid 4242, gedit)", "window 0x3a00007 (process unknown)".
std::string describe_window(WindowManager& windows, WindowId window);
/// `text` in double quotes, as titles and names appear in the log and the tool tips: another
/// program's quotes escaped, nothing in it able to act on a terminal (quoted_visible).
std::string quoted(std::string_view text);

}  // namespace tambrel
