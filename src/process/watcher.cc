#include "process/watcher.h"

#include "process/queries.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

void PROCESS_WATCHER_TIMER_Timer(TambrelMain& m) {
  const std::string name = m[PROCESS_NAME_TEXTBOX].text();
  if (PROCESS_IS_RUNNING(m.services.processes, name)) {
    m[PROCESS_STATE_TEXTBOX].set_text(std::string(kRunning));
    m[PROCESS_STATE_TEXTBOX].set_back_color(forms::colors::kGreen);
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_text(std::string(kRunning));
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_back_color(forms::colors::kGreen);
  } else {
    m[PROCESS_STATE_TEXTBOX].set_text(std::string(kStopped));
    m[PROCESS_STATE_TEXTBOX].set_back_color(forms::colors::kRed);
  }
}

}  // namespace tambrel
