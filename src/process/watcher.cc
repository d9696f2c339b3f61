#include "process/watcher.h"

#include <algorithm>

#include "process/queries.h"
#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

std::string name_ending_hint(std::string_view name, std::string_view image_ending) {
  if (name.empty())
    return {};
  const char last = name.back();
  if (last == ' ' || last == '\t')
    return std::string(" (the name ends with ") + (last == ' ' ? "a space" : "a tab") + ")";
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  const bool has_ending =
      name.size() >= image_ending.size() &&
      std::equal(image_ending.begin(), image_ending.end(), name.end() - image_ending.size(),
                 [&](char a, char b) { return lower(a) == lower(b); });
  if (has_ending)
    return {};
  return " (image names end with \"" + std::string(image_ending) + "\": \"" + std::string(name) +
         std::string(image_ending) + "\"?)";
}

std::string near_hint(const std::vector<NearProcess>& processes) {
  std::string hint;
  for (const NearProcess& p : processes) {
    hint += (hint.empty() ? "; running under a name close to it: " : ", ") + quoted(p.name) +
            " (pid " + std::to_string(p.pid) + ")";
  }
  return hint;
}

void PROCESS_WATCHER_TIMER_Timer(TambrelMain& m) {
  const std::string name = m[PROCESS_NAME_TEXTBOX].text();
  const std::vector<ProcessId> ids = m.services.processes.running(name);
  // The tip names the processes found, or what may be wrong with the name; the log hears
  // whenever that changes.
  const std::string found = ids.empty()
                                ? "no process named " + quoted(name) +
                                      name_ending_hint(name, m.services.processes.image_ending()) +
                                      near_hint(m.services.processes.near_misses(name))
                                : quoted(name) + ": " + describe_ids(ids);
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
