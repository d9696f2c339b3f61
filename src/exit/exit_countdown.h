#pragma once

namespace tambrel {

class TambrelMain;

/// One second of the exit countdown; at "00" TAMBREL ends, or starts the eight seconds over
/// while it waits for the process. Also shows the start of the auto-terminate chain.
void UNLOAD_TIMER_Timer(TambrelMain& m);
/// Resets both countdown times and shows "05" and "07", like a double-click on the other box.
void TAMBREL_UNLOAD_COUNDOWN_TEXTBOX_DblClick(TambrelMain& m);
/// Saves the option at once.
void WAIT_FOR_PROCESS_TICKBOX_Click(TambrelMain& m);
/// Saves nine settings, stops the timers, unloads the main window and ends the program.
[[noreturn]] void exit_procedure(TambrelMain& m);

}  // namespace tambrel
