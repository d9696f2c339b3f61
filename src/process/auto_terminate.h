#pragma once

namespace tambrel {

class TambrelMain;

/// Ticked: the first minute of the chain starts; unticked: the chain stops and its boxes reset.
/// Saves the option either way.
void AUTO_TERMINATE_TICKBOX_Click(TambrelMain& m);

/// Minute `n` (1 to 5) has passed: its box turns red and the next minute starts; after the fifth
/// every process of the watched name is terminated.
void AUTO_TERMINATE_TIMER_Timer(TambrelMain& m, int n);

/// Terminates every process of the watched name now; the chain is left as it is.
void TERMINATE_PROCESS_NOW_BUTTON_Click(TambrelMain& m);

}  // namespace tambrel
