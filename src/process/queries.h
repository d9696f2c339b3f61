#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process_table.h"

namespace tambrel {

class TambrelMain;

/// "pid 12" or "pids 12, 13", for the log and the tool tips.
std::string describe_ids(const std::vector<ProcessId>& ids);

/// What one termination did.
struct Termination {
  bool all_ended;      ///< false when the termination of some process was refused
  std::string result;  ///< "2 ended (pids 12, 13); 1 refused: pid 14: Access is denied"
};

/// Terminates every process named in PROCESS_NAME_TEXTBOX and states the result, with what set
/// it off (`trigger`), in the activity log. A refusal is reported, never taken for success.
Termination TERMINATE_PROCESS_BY_NAME(TambrelMain& m, std::string_view trigger);

}  // namespace tambrel
