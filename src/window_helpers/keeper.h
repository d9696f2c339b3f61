#pragma once

namespace tambrel {

class TambrelMain;

/// Switches the always-on-top keeper on (value 1) or off; saves nothing.
void ALWAYS_ON_TOP_TICKBOX_Click(TambrelMain& m);
/// Unless the main window is in front: demotes the foreground window, then makes the main window
/// topmost.
void AlwaysOnTopTimer_Timer(TambrelMain& m);

}  // namespace tambrel
