#include "process/watcher.h"

#include "process/queries.h"
#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

void PROCESS_WATCHER_TIMER_Timer(TambrelMain& m) {
  const std::string name = m[PROCESS_NAME_TEXTBOX].text();
  const std::vector<ProcessId> ids = m.services.processes.running(name);
  // The tip names the processes found; the log hears whenever that changes.
  const std::string found =
      ids.empty() ? "no process named " + quoted(name) : quoted(name) + ": " + describe_ids(ids);
  const bool changed = m[PROCESS_STATE_TEXTBOX].tool_tip_text() != found;
  const std::string before = m[PROCESS_STATE_TEXTBOX].text();
  m[PROCESS_STATE_TEXTBOX].set_tool_tip_text(found);
  if (!ids.empty()) {
    m[PROCESS_STATE_TEXTBOX].set_text(std::string(kRunning));
    m[PROCESS_STATE_TEXTBOX].set_back_color(forms::colors::kGreen);
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_text(std::string(kRunning));
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_back_color(forms::colors::kGreen);
  } else {
    m[PROCESS_STATE_TEXTBOX].set_text(std::string(kStopped));
    m[PROCESS_STATE_TEXTBOX].set_back_color(forms::colors::kRed);
  }
  const std::string& now = m[PROCESS_STATE_TEXTBOX].text();
  if (now != before) {
    m.announce(&m[PROCESS_STATE_TEXTBOX],
               "Monitored process " + (name.empty() ? "" : name + " ") + "is now " + now);
  }
  if (changed)
    log_event(m, "process state: " + m[PROCESS_STATE_TEXTBOX].text() + ", " + found);
}

}  // namespace tambrel
