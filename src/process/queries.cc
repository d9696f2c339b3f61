#include "process/queries.h"

#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

std::string describe_ids(const std::vector<ProcessId>& ids) {
  std::string text = ids.size() == 1 ? "pid " : "pids ";
  for (std::size_t i = 0; i < ids.size(); ++i)
    text += (i ? ", " : "") + std::to_string(ids[i]);
  return text;
}

Termination TERMINATE_PROCESS_BY_NAME(TambrelMain& m, std::string_view trigger) {
  const std::string name = m[PROCESS_NAME_TEXTBOX].text();
  const TerminateOutcome outcome = m.services.processes.terminate_all(name);
  std::string result;
  if (outcome.ended.empty() && outcome.refused.empty()) {
    result = "no process named " + quoted(name) + " was running";
  } else {
    result = std::to_string(outcome.ended.size()) + " ended";
    if (!outcome.ended.empty())
      result += " (" + describe_ids(outcome.ended) + ")";
    if (!outcome.refused.empty()) {
      result += "; " + std::to_string(outcome.refused.size()) + " refused: ";
      for (std::size_t i = 0; i < outcome.refused.size(); ++i)
        result += (i ? "; " : "") + outcome.refused[i];
    }
  }
  log_event(m, "terminate " + quoted(name) + " (" + std::string(trigger) + "): " + result);
  return {outcome.refused.empty(), result};
}

}  // namespace tambrel
