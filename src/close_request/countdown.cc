#include "close_request/countdown.h"

#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

namespace {

/// The button's new caption, said with what it means: the close countdown runs or not.
void announce_rename(TambrelMain& m) {
  forms::Control& button = m[STOP_START_COUNTDOWN_BUTTON];
  const bool running = button.text() == kStopCountdown;
  m.announce(&button, std::string(running ? "Countdown started" : "Countdown stopped") +
                          "; the button is now " + button.text());
}

}  // namespace

void MAIN_CLOSING_WINDOW_TIMER_Timer(TambrelMain& m) {
  m.CLOSE_REQUEST_TIME -= 1;
  m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(seconds_field(m.CLOSE_REQUEST_TIME));
  if (m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].text() != "00")
    return;
  log_event(m, "countdown ended: the close request goes out in 1 s");
  m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
  m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(kUnloadSeconds - 1));
  m.timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(true);
  m.timer(ALT_F4_TIMER).set_enabled(true);
  m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(false);
}

void STOP_START_COUNTDOWN_BUTTON_Click(TambrelMain& m) {
  forms::Control& button = m[STOP_START_COUNTDOWN_BUTTON];
  if (button.text() == kStopCountdown) {
    m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(false);
    m.timer(UNLOAD_TIMER).set_enabled(false);
    button.set_text(std::string(kStartCountdown));
    announce_rename(m);
    log_event(m, "countdown stopped: STOP COUNTDOWN pressed");
  } else {
    m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(true);
    m.timer(UNLOAD_TIMER).set_enabled(false);
    button.set_text(std::string(kStopCountdown));
    announce_rename(m);
    m.CLOSE_REQUEST_TIME = kCloseRequestSeconds;
    m.UNLOAD_TIME = kUnloadSeconds;
    log_event(m, "countdown started: START COUNTDOWN pressed, close request in " +
                     std::to_string(kCloseRequestSeconds) + " s");
  }
}

void AUTOSTART_COUNTDOWN_TICKBOX_Click(TambrelMain& m) {
  const std::int16_t value = m[AUTOSTART_COUNTDOWN_TICKBOX].value();
  const bool on = value == 1;
  m.timer(MAIN_CLOSING_WINDOW_TIMER).set_enabled(on);
  m[STOP_START_COUNTDOWN_BUTTON].set_text(std::string(on ? kStopCountdown : kStartCountdown));
  announce_rename(m);
  log_event(m, on ? "countdown started: \"AutoStart CountDown Timers\" ticked"
                  : "countdown stopped: \"AutoStart CountDown Timers\" not ticked");
  m.settings.save_tick_state(AUTOSTART_COUNTDOWN_TICKBOX, value);
}

void CLOSE_REQUEST_COUNTDOWN_TEXTBOX_DblClick(TambrelMain& m) {
  m.CLOSE_REQUEST_TIME = kCloseRequestSeconds;
  m.UNLOAD_TIME = kUnloadSeconds;
  m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(seconds_field(kCloseRequestSeconds - 1));
  m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(kUnloadSeconds - 1));
  log_event(m, "countdown reset: " + std::to_string(kCloseRequestSeconds) + " s and " +
                   std::to_string(kUnloadSeconds) + " s (double-click)");
}

}  // namespace tambrel
