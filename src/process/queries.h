#pragma once

#include <string>

#include "platform/process_table.h"

namespace tambrel {

/// True when at least one process with image name `name` runs.
bool PROCESS_IS_RUNNING(ProcessTable& processes, const std::string& name);

/// Terminates every process with image name `name`. Returns false when the termination of some
/// process was refused, so that the caller does not report a failure as success.
bool TERMINATE_PROCESS_BY_NAME(ProcessTable& processes, const std::string& name);

}  // namespace tambrel
