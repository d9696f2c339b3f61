#pragma once

namespace tambrel {

class TambrelMain;

/// Once a second: "RUNNING" on green or "STOPPED" on red, from a fresh look at the process table.
void PROCESS_WATCHER_TIMER_Timer(TambrelMain& m);

}  // namespace tambrel
