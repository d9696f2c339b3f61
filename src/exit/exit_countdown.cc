#include "exit/exit_countdown.h"

#include "close_request/countdown.h"
#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

namespace colors = forms::colors;

void UNLOAD_TIMER_Timer(TambrelMain& m) {
  m.UNLOAD_TIME -= 1;
  m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(m.UNLOAD_TIME));

  // Each decision reads the controls afresh, so it sees what an earlier one wrote.
  auto display = [&] { return m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].text(); };
  auto wait = [&] { return m[WAIT_FOR_PROCESS_TICKBOX].value(); };
  auto state = [&] { return m[PROCESS_STATE_TEXTBOX].text(); };

  if (state() == kStopped && display() == "00" && wait() == 0)
    exit_procedure(m);
  if (state() == kStopped && display() == "00" && wait() == 1)
    exit_procedure(m);
  if (state() == kRunning && display() == "00" && wait() == 1) {
    m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(kUnloadSeconds - 1));
    m.UNLOAD_TIME = kUnloadSeconds;
    log_event(m, "exit countdown restarted: " + quoted(m[PROCESS_NAME_TEXTBOX].text()) +
                     " is still RUNNING and \"Wait For Process To End Before Exiting\" is ticked");
  }
  if (state() == kRunning && display() == "00" && wait() == 0)
    exit_procedure(m);

  if (m[AUTO_TERMINATE_TICKBOX].value() == 1 &&
      m[TERMINATE_COUNTDOWN_TEXTBOX[1]].back_color() == colors::kWindowBackground) {
    // The timer may already run since the box was ticked; enabling it again keeps its minute.
    m.timer(AUTO_TERMINATE_TIMER[1]).set_enabled(true);
    m[TERMINATE_COUNTDOWN_TEXTBOX[1]].set_back_color(colors::kGreen);
  }
}

void TAMBREL_UNLOAD_COUNDOWN_TEXTBOX_DblClick(TambrelMain& m) {
  CLOSE_REQUEST_COUNTDOWN_TEXTBOX_DblClick(m);
}

void exit_procedure(TambrelMain& m) {
  log_exit(m, "exit countdown ended with the process state " + m[PROCESS_STATE_TEXTBOX].text());
  m.outcome.ending = Ending::kExitCountdown;
  note_still_running(m);
  save_main_settings(m);
  m.settings.save_tick_state(AUTO_TERMINATE_TICKBOX, m[AUTO_TERMINATE_TICKBOX].value());
  wind_down(m);
  m.unload();
  m.app().end_program();
}

void WAIT_FOR_PROCESS_TICKBOX_Click(TambrelMain& m) {
  m.settings.save_tick_state(WAIT_FOR_PROCESS_TICKBOX, m[WAIT_FOR_PROCESS_TICKBOX].value());
}

}  // namespace tambrel
