#include "window_helpers/keeper.h"

#include "window_models/tambrel_main.h"

namespace tambrel {

void ALWAYS_ON_TOP_TICKBOX_Click(TambrelMain& m) {
  m.timer(AlwaysOnTopTimer).set_enabled(m[ALWAYS_ON_TOP_TICKBOX].value() == 1);
}

void AlwaysOnTopTimer_Timer(TambrelMain& m) {
  WindowManager& wm = m.services.windows;
  if (wm.foreground_window() == m.app().view().native_window(m))
    return;
  wm.set_topmost(wm.foreground_window(), false);
  wm.set_topmost(m.app().view().native_window(m), true);
}

}  // namespace tambrel
