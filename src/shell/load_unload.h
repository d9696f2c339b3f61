#pragma once

namespace tambrel {

class TambrelMain;

/// Restores geometry, texts and options, gives the timers their intervals and starts what the
/// options ask for. Runs before the window is first shown.
void TAMBREL_MAIN_Load(TambrelMain& m);
/// Saves eight settings, clears the countdown displays and stops six timers. Never refuses.
void TAMBREL_MAIN_Unload(TambrelMain& m);

/// Connects every handler of the main window to its event.
void wire_handlers(TambrelMain& m);

}  // namespace tambrel
