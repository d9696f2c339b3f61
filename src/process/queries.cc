#include "process/queries.h"

namespace tambrel {

bool PROCESS_IS_RUNNING(ProcessTable& processes, const std::string& name) {
  return processes.is_running(name);
}

bool TERMINATE_PROCESS_BY_NAME(ProcessTable& processes, const std::string& name) {
  return processes.terminate_all(name).refused.empty();
}

}  // namespace tambrel
