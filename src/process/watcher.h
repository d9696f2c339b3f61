#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process_table.h"

namespace tambrel {

class TambrelMain;

/// Once a second: "RUNNING" on green or "STOPPED" on red, from a fresh look at the process table.
void PROCESS_WATCHER_TIMER_Timer(TambrelMain& m);
/// Beside a name no process has: what the name ends with, when that may be why (a trailing
/// space or tab; no `image_ending` where the system gives every image one). Empty otherwise.
std::string name_ending_hint(std::string_view name, std::string_view image_ending);
/// Beside a name no process has: the processes the user may have meant (ProcessTable::near_misses),
/// with the names that find them. Empty when there are none.
std::string near_hint(const std::vector<NearProcess>& processes);

}  // namespace tambrel
