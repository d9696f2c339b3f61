#include "shell/load_unload.h"

#include "close_request/countdown.h"
#include "close_request/delivery.h"
#include "exit/exit_countdown.h"
#include "process/auto_terminate.h"
#include "process/watcher.h"
#include "window_helpers/about.h"
#include "window_helpers/keeper.h"
#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

void TAMBREL_MAIN_Load(TambrelMain& m) {
  Settings& s = m.settings;
  m.set_left(s.restore_geometry("MainLeft"));
  m.set_top(s.restore_geometry("MainTop"));
  m.set_width(s.restore_geometry("MainWidth"));
  m.set_height(s.restore_geometry("MainHeight"));
  // A restored state that differs from the design value runs the box's Click right here.
  m[AUTOSTART_COUNTDOWN_TICKBOX].set_value(s.restore_tick_state(AUTOSTART_COUNTDOWN_TICKBOX));
  m[WINDOW_NAME_TEXTBOX].set_text(s.restore_text(WINDOW_NAME_TEXTBOX));
  m[WAIT_FOR_PROCESS_TICKBOX].set_value(s.restore_tick_state(WAIT_FOR_PROCESS_TICKBOX));
  m[ALWAYS_ON_TOP_TICKBOX].set_value(s.restore_tick_state(ALWAYS_ON_TOP_TICKBOX));
  m[PROCESS_NAME_TEXTBOX].set_text(s.restore_text(PROCESS_NAME_TEXTBOX));
  m[SENDKEYS_TICKBOX].set_value(s.restore_tick_state(SENDKEYS_TICKBOX));
  m[AUTO_TERMINATE_TICKBOX].set_value(s.restore_tick_state(AUTO_TERMINATE_TICKBOX));

  for (auto name : {AlwaysOnTopTimer, UNLOAD_TIMER, PROCESS_WATCHER_TIMER,
                    MAIN_CLOSING_WINDOW_TIMER, INTERNAL_CLOSE_COMMAND_TIMER, ALT_F4_TIMER}) {
    m.timer(name).set_interval(1000);
  }
  for (int n = 1; n <= 5; ++n)
    m.timer(AUTO_TERMINATE_TIMER[n]).set_interval(60000);

  m.CLOSE_REQUEST_TIME = kCloseRequestSeconds;
  m.UNLOAD_TIME = kUnloadSeconds;

  if (m[AUTOSTART_COUNTDOWN_TICKBOX].value() == 1) {
    m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(true);
    m[STOP_START_COUNTDOWN_BUTTON].set_text(std::string(kStopCountdown));
  } else {
    m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(false);
    m[STOP_START_COUNTDOWN_BUTTON].set_text(std::string(kStartCountdown));
  }
  m.timer(AlwaysOnTopTimer).set_enabled(m[ALWAYS_ON_TOP_TICKBOX].value() == 1);
  const bool auto_terminate = m[AUTO_TERMINATE_TICKBOX].value() == 1;
  for (int n = 1; n <= 5; ++n)
    m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_enabled(auto_terminate);
  m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_enabled(auto_terminate);

  m[APP_EXE_NAME_TEXTBOX].set_text(s.section());
  if (m[AUTOSTART_COUNTDOWN_TICKBOX].value() != 1)
    log_event(m, "countdown waits for START COUNTDOWN: \"AutoStart CountDown Timers\" not ticked");
}

void TAMBREL_MAIN_Unload(TambrelMain& m) {
  log_exit(m, m.close_reason().empty() ? "the window was unloaded" : m.close_reason());
  // The exit procedure unloads the window too, and has told its own ending by then.
  if (m.outcome.ending == Ending::kNotYet && !m.close_reason().empty()) {
    m.outcome.ending = Ending::kFromOutside;
    m.outcome.ended_by = m.close_reason();
    note_still_running(m);
  }
  // AUTO_TERMINATE_TICKBOX is not saved here: its Click saves every change.
  save_main_settings(m);
  wind_down(m);
}

void wire_handlers(TambrelMain& m) {
  m.on_load([&m] { TAMBREL_MAIN_Load(m); });
  m.on_unload([&m] { TAMBREL_MAIN_Unload(m); });
  m.on_click(STOP_START_COUNTDOWN_BUTTON, [&m] { STOP_START_COUNTDOWN_BUTTON_Click(m); });
  m.on_click(AUTOSTART_COUNTDOWN_TICKBOX, [&m] { AUTOSTART_COUNTDOWN_TICKBOX_Click(m); });
  m.on_dbl_click(CLOSE_REQUEST_COUNTDOWN_TEXTBOX,
                 [&m] { CLOSE_REQUEST_COUNTDOWN_TEXTBOX_DblClick(m); });
  m.on_timer(MAIN_CLOSING_WINDOW_TIMER, [&m] { MAIN_CLOSING_WINDOW_TIMER_Timer(m); });
  m.on_timer(INTERNAL_CLOSE_COMMAND_TIMER, [&m] { INTERNAL_CLOSE_COMMAND_TIMER_Timer(m); });
  m.on_timer(ALT_F4_TIMER, [&m] { ALT_F4_TIMER_Timer(m); });
  m.on_click(SENDKEYS_TICKBOX, [&m] { SENDKEYS_TICKBOX_Click(m); });
  m.on_timer(PROCESS_WATCHER_TIMER, [&m] { PROCESS_WATCHER_TIMER_Timer(m); });
  m.on_click(AUTO_TERMINATE_TICKBOX, [&m] { AUTO_TERMINATE_TICKBOX_Click(m); });
  for (int n = 1; n <= 5; ++n) {
    m.on_timer(AUTO_TERMINATE_TIMER[n], [&m, n] { AUTO_TERMINATE_TIMER_Timer(m, n); });
  }
  m.on_click(TERMINATE_PROCESS_NOW_BUTTON, [&m] { TERMINATE_PROCESS_NOW_BUTTON_Click(m); });
  m.on_timer(UNLOAD_TIMER, [&m] { UNLOAD_TIMER_Timer(m); });
  m.on_dbl_click(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX,
                 [&m] { TAMBREL_UNLOAD_COUNDOWN_TEXTBOX_DblClick(m); });
  m.on_click(WAIT_FOR_PROCESS_TICKBOX, [&m] { WAIT_FOR_PROCESS_TICKBOX_Click(m); });
  m.on_click(ALWAYS_ON_TOP_TICKBOX, [&m] { ALWAYS_ON_TOP_TICKBOX_Click(m); });
  m.on_timer(AlwaysOnTopTimer, [&m] { AlwaysOnTopTimer_Timer(m); });
  m.on_click(ABOUT_BUTTON, [&m] { ABOUT_BUTTON_Click(m); });
}

}  // namespace tambrel
